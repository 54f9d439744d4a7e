#include "ui/MainWindow.h"

#include "app/AppLogger.h"
#include "app/Cfg.h"
#include "app/EditorMenuCommand.h"
#include "app/MainWindowVM.h"
#include "capture/ClipboardSvc.h"
#include "editor/EditorVM.h"
#include "library/HistoryStore.h"
#include "ui/StatusIcon.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace mebo {

namespace {
constexpr double kZoomStep = 1.25;
constexpr double kMinZoom = 0.05;
constexpr double kMaxZoom = 16.0;
} // namespace

MainWindow::MainWindow(Cfg& cfg, MainWindowVM& vm, HistoryStore& history, ClipboardSvc& clipboard,
                       std::function<void(CaptureMode)> startCapture, QWidget* parent)
    : QMainWindow(parent), cfg_(cfg), vm_(vm), history_(history), clipboard_(clipboard) {
    setWindowTitle(QStringLiteral("Mebo"));
    setWindowIcon(StatusIcon::application());
    setObjectName(QStringLiteral("MeboMainWindow"));
    resize(1100, 720);

    pages_ = new QStackedWidget(this);
    pages_->addWidget(buildEmptyPage(std::move(startCapture)));
    scroll_ = new QScrollArea(pages_);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setWidgetResizable(false);
    scroll_->setBackgroundRole(QPalette::Dark);
    image_ = new QLabel;
    image_->setAlignment(Qt::AlignCenter);
    scroll_->setWidget(image_);
    pages_->addWidget(scroll_);
    setCentralWidget(pages_);

    connect(&vm_, &MainWindowVM::modeChanged, this, [this] {
        if (EditorVM* editor = vm_.editor()) {
            connect(editor, &EditorVM::layersChanged, this, &MainWindow::refreshImage, Qt::UniqueConnection);
            connect(editor, &EditorVM::baseImageChanged, this, &MainWindow::refreshImage,
                    Qt::UniqueConnection);
            connect(editor, &EditorVM::canvasRectChanged, this, &MainWindow::refreshImage,
                    Qt::UniqueConnection);
        }
        refreshImage();
    });
    refreshImage();
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::buildEmptyPage(std::function<void(CaptureMode)> startCapture) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addStretch(3);
    auto* icon = new QLabel;
    icon->setPixmap(StatusIcon::application().pixmap(96, 96));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    auto* title = new QLabel(tr("No capture open"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setWeight(QFont::DemiBold);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    folderHint_ = new QLabel;
    folderHint_->setAlignment(Qt::AlignCenter);
    folderHint_->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(folderHint_);
    layout->addSpacing(12);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto addButton = [&](const QString& text, CaptureMode mode) {
        auto* b = new QPushButton(text);
        b->setMinimumWidth(180);
        connect(b, &QPushButton::clicked, this, [startCapture, mode] { startCapture(mode); });
        buttons->addWidget(b);
    };
    addButton(tr("Capture Area / Window"), CaptureMode::area);
    addButton(tr("Capture Full Screen"), CaptureMode::fullscreen);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addStretch(4);
    return page;
}

void MainWindow::showMainWindow() {
    folderHint_->setText(tr("Captures are saved in %1").arg(QDir::toNativeSeparators(cfg_.saveDirectory())));
    show();
    raise();
    activateWindow();
}

void MainWindow::openNewCapture(const QString& path, const QString& itemId, const CaptureResult&) {
    const bool wasHidden = captureInProgress_;
    captureInProgress_ = false;
    if (wasHidden || cfg_.openEditorAfterCapture()) {
        showMainWindow();
        if (rememberedFrame_) {
            setGeometry(*rememberedFrame_);
        }
    }
    rememberedFrame_.reset();
    // The history entry is added right after this returns; open the item from it then.
    QPointer<MainWindow> self(this);
    QTimer::singleShot(0, this, [self, path, itemId] {
        if (self) {
            self->openEntry(path, itemId);
        }
    });
}

void MainWindow::openEntry(const QString& path, const QString& itemId) {
    for (const HistoryEntry& entry : history_.entries()) {
        if (entry.id == itemId) {
            vm_.switchToItem(entry, [](bool) {});
            return;
        }
    }
    vm_.openImageFile(path);
}

void MainWindow::refreshImage() {
    EditorVM* editor = vm_.editor();
    if (!editor) {
        pages_->setCurrentIndex(0);
        image_->clear();
        return;
    }
    pages_->setCurrentIndex(1);
    const QImage picture = editor->flattened();
    QSize size = picture.size();
    if (zoom_) {
        size = (QSizeF(size) * *zoom_).toSize();
    } else {
        const QSize room = scroll_->viewport()->size() - QSize(24, 24);
        if (size.width() > room.width() || size.height() > room.height()) {
            size = size.scaled(room, Qt::KeepAspectRatio);
        }
    }
    image_->setPixmap(QPixmap::fromImage(picture).scaled(size.expandedTo(QSize(1, 1)), Qt::IgnoreAspectRatio,
                                                         Qt::SmoothTransformation));
    image_->resize(image_->pixmap().size());
}

void MainWindow::setZoom(std::optional<double> zoom) {
    if (zoom) {
        zoom = std::clamp(*zoom, kMinZoom, kMaxZoom);
    }
    zoom_ = zoom;
    refreshImage();
}

bool MainWindow::showsMedia() const {
    const auto kind = vm_.mode().kind();
    return kind == EditorMode::Kind::image || kind == EditorMode::Kind::video;
}

void MainWindow::save() {
    vm_.save();
}

void MainWindow::saveAs() {
    if (!vm_.editor()) {
        return;
    }
    auto* dialog = new QFileDialog(this, tr("Save As"), QDir::homePath(), tr("PNG image (*.png)"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("png"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& file) { vm_.saveAs(file, [](bool) {}); });
    dialog->open();
}

bool MainWindow::copyCurrentMedia() {
    EditorVM* editor = vm_.editor();
    if (!editor) {
        return false;
    }
    return clipboard_.copyImage(editor->flattened(), QStringLiteral("main window"));
}

bool MainWindow::pasteImageIntoCanvas() {
    EditorVM* editor = vm_.editor();
    if (!editor) {
        return false;
    }
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) {
        return false;
    }
    editor->pasteImage(image);
    return true;
}

bool MainWindow::performCommand(const QString& selector) {
    if (selector == QLatin1String("zoomIn:")) {
        setZoom(zoom_.value_or(1.0) * kZoomStep);
        return true;
    }
    if (selector == QLatin1String("zoomOut:")) {
        setZoom(zoom_.value_or(1.0) / kZoomStep);
        return true;
    }
    if (selector == QLatin1String("zoomToFit:")) {
        setZoom(std::nullopt);
        return true;
    }
    if (selector == QLatin1String("actualSize:")) {
        setZoom(1.0);
        return true;
    }
    EditorVM* editor = vm_.editor();
    return editor && EditorMenuCommand::isEnabled(*editor, selector) &&
           EditorMenuCommand::perform(*editor, selector);
}

bool MainWindow::isCommandEnabled(const QString& selector) const {
    const bool image = vm_.editor() != nullptr;
    if (selector.startsWith(QLatin1String("zoom")) || selector == QLatin1String("actualSize:")) {
        return image;
    }
    if (selector == QLatin1String("saveDocument:") || selector == QLatin1String("saveDocumentAs:")) {
        return showsMedia();
    }
    if (selector == QLatin1String("copy:") || selector == QLatin1String("paste:")) {
        return true; // text fields take them too
    }
    EditorVM* editor = vm_.editor();
    return editor && EditorMenuCommand::isEnabled(*editor, selector);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing a window never quits; the application stays in the tray.
    event->ignore();
    hide();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!zoom_) {
        refreshImage();
    }
}

} // namespace mebo
