#include "ui/MainWindow.h"

#include "app/CapturePrefs.h"
#include "app/Cfg.h"
#include "app/EditorMenuCommand.h"
#include "app/MainWindowVM.h"
#include "capture/ClipboardSvc.h"
#include "editor/EditorVM.h"
#include "library/HistoryListModel.h"
#include "library/HistoryStore.h"
#include "platform/Notifications.h"
#include "platform/Workspace.h"
#include "ui/EditorCanvas.h"
#include "ui/EditorToolBar.h"
#include "ui/HistoryItemActions.h"
#include "ui/HistoryView.h"
#include "ui/ImageOutputs.h"
#include "ui/StatusIcon.h"
#include "ui/ThumbnailStrip.h"
#include "ui/ToolShortcutFilter.h"
#include "ui/VideoEditorWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace mebo {

namespace {

constexpr int kFlashMs = 3000;

// Whether Qt can read the file as an image (by its content, not its name).
bool isReadableImage(const QString& path) {
    QImageReader reader(path);
    return QFileInfo(path).isFile() && reader.canRead();
}

QStringList localFiles(const QMimeData* mime) {
    QStringList files;
    if (!mime || !mime->hasUrls()) {
        return files;
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            files << url.toLocalFile();
        }
    }
    return files;
}

} // namespace

MainWindow::MainWindow(Services services, QWidget* parent) : QMainWindow(parent), s_(std::move(services)) {
    setWindowTitle(QStringLiteral("Mebo"));
    setWindowIcon(StatusIcon::application());
    setObjectName(QStringLiteral("MeboMainWindow"));
    setAcceptDrops(true);
    resize(1360, 860);

    buildToolBar();

    platform::Workspace* workspace = s_.workspace;
    const auto reveal = [workspace](const QString& path) {
        if (workspace) {
            workspace->revealFile(path);
        }
    };
    strip_ = new ThumbnailStrip(s_.history, s_.thumbnails, reveal);
    connect(strip_, &ThumbnailStrip::openRequested, this, &MainWindow::openEntry);

    pages_ = new QStackedWidget;
    emptyPage_ = buildEmptyPage();
    pages_->addWidget(emptyPage_);
    editorPage_ = new EditorPage(s_.editing);
    pages_->addWidget(editorPage_);
    historyView_ = new HistoryView(s_.history, s_.thumbnails, reveal);
    if (s_.textIndex) {
        historyView_->model()->setTextIndex(s_.textIndex); // the filter finds words in the pictures
        historyView_->filterField()->setPlaceholderText(
            tr("Search names, tags and the text in the pictures"));
    }
    HistoryItemActions::Commands commands;
    commands.copy = [this](const HistoryEntry& entry) {
        if (entry.mediaType == QLatin1String("video")) {
            copyRecordingFile(entry);
            return;
        }
        const QImage picture = s_.vm.pictureOf(entry);
        if (!picture.isNull() && s_.clipboard.copyImage(picture, QStringLiteral("library"))) {
            flash(tr("Copied %1").arg(QFileInfo(entry.filename).fileName()));
        }
    };
    commands.exportItem = [this](const HistoryEntry& entry) { exportItem(entry); };
    commands.pin = [this](const HistoryEntry& entry) {
        const QImage picture = s_.vm.pictureOf(entry);
        if (!picture.isNull()) {
            ImageOutputs::pin(picture, QFileInfo(entry.filename).fileName());
        }
    };
    strip_->actions()->setCommands(commands);
    historyView_->actions()->setCommands(commands);
    connect(historyView_, &HistoryView::openRequested, this, &MainWindow::openEntry);
    pages_->addWidget(historyView_);

    // The strip has a fixed width; the pages take the rest.
    auto* central = new QWidget;
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(strip_);
    row->addWidget(pages_, 1);
    setCentralWidget(central);

    status_ = new QLabel;
    sizeLabel_ = new QLabel;
    stateLabel_ = new QLabel;
    stateLabel_->setObjectName(QStringLiteral("editState"));
    statusBar()->addWidget(status_, 1);
    statusBar()->addPermanentWidget(sizeLabel_);
    statusBar()->addPermanentWidget(stateLabel_);

    connect(editorPage_->canvas(), &EditorCanvas::zoomChanged, this, &MainWindow::refreshZoom);
    connect(&s_.vm, &MainWindowVM::modeChanged, this, &MainWindow::applyMode);
    connect(&s_.history, &HistoryStore::entriesChanged, this, &MainWindow::refreshStatus);
    statusTimer_.setSingleShot(true);
    statusTimer_.setInterval(100);
    connect(&statusTimer_, &QTimer::timeout, this, &MainWindow::refreshStatus);
    connect(&s_.cfg, &Cfg::changed, this, [this](const QString& key) {
        if (key.contains(QLatin1String("shortcut"), Qt::CaseInsensitive)) {
            updateToolShortcuts();
        }
    });
    toolKeyFilter_ = new ToolShortcutFilter(toolKeys_, this);
    updateToolShortcuts();
    applyMode();
}

MainWindow::~MainWindow() {
    // Video editors are windows of their own; they use services that end with this window.
    for (const QPointer<VideoEditorWindow>& editor : videoEditors_) {
        delete editor.data();
    }
}

EditorCanvas* MainWindow::canvas() const {
    return editorPage_->canvas();
}

void MainWindow::buildToolBar() {
    EditorToolBar::Callbacks cb;
    cb.capture = [this](CaptureMode mode) { s_.startCapture(mode); };
    cb.undo = [this] { performCommand(QStringLiteral("undo:")); };
    cb.redo = [this] { performCommand(QStringLiteral("redo:")); };
    cb.recognizeText = [this] { editorPage_->recognizeText(); };
    cb.recognizeRegion = [this] { editorPage_->recognizeRegion(); };
    cb.zoomIn = [this] { canvas()->zoomIn(); };
    cb.zoomOut = [this] { canvas()->zoomOut(); };
    cb.zoomToFit = [this] { canvas()->zoomToFit(); };
    cb.actualSize = [this] { canvas()->actualSize(); };
    cb.showLibrary = [this](bool shown) { showLibrary(shown); };
    cb.openImage = [this] { openImageDialog(); };
    toolBar_ = new EditorToolBar(s_.cfg, std::move(cb), this);
    addToolBar(Qt::TopToolBarArea, toolBar_);
}

QWidget* MainWindow::buildEmptyPage() {
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
    auto* dropHint = new QLabel(tr("Pick a capture on the left, or drop an image here."));
    dropHint->setAlignment(Qt::AlignCenter);
    dropHint->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(dropHint);
    layout->addSpacing(12);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto addButton = [&](const QString& text, CaptureMode mode) {
        auto* b = new QPushButton(text);
        b->setMinimumWidth(180);
        connect(b, &QPushButton::clicked, this, [this, mode] { s_.startCapture(mode); });
        buttons->addWidget(b);
    };
    addButton(tr("Capture Area / Window"), CaptureMode::area);
    addButton(tr("Capture Full Screen"), CaptureMode::fullscreen);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addStretch(4);
    return page;
}

// --- what is shown -----------------------------------------------------------------------------

void MainWindow::applyMode() {
    const std::shared_ptr<EditorVM>& editor = s_.vm.mode().sharedImageEditor();
    editorPage_->setEditor(editor);
    toolBar_->setEditor(editor.get());
    const auto& entry = s_.vm.currentEntry();
    const QString id = entry ? entry->id : QString();
    strip_->setCurrentEntryId(id);
    historyView_->setCurrentEntryId(id);
    if (editor) {
        // Every drag step changes the layers; the status (which compares fingerprints) follows
        // once the changes pause.
        for (auto signal : {&EditorVM::historyChanged, &EditorVM::layersChanged, &EditorVM::baseImageChanged,
                            &EditorVM::canvasRectChanged}) {
            connect(editor.get(), signal, &statusTimer_, qOverload<>(&QTimer::start), Qt::UniqueConnection);
        }
    }
    if (!isLibraryShown()) {
        pages_->setCurrentWidget(editor ? static_cast<QWidget*>(editorPage_) : emptyPage_);
    }
    if (editor && isVisible() && !isLibraryShown()) {
        toolKeyFilter_->install();
    } else {
        toolKeyFilter_->remove();
    }
    refreshStatus();
    refreshZoom();
}

void MainWindow::showLibrary(bool shown) {
    if (shown) {
        pages_->setCurrentWidget(historyView_);
        toolKeyFilter_->remove();
    } else {
        pages_->setCurrentWidget(s_.vm.editor() ? static_cast<QWidget*>(editorPage_) : emptyPage_);
        if (s_.vm.editor() && isVisible()) {
            toolKeyFilter_->install();
        }
    }
    toolBar_->setLibraryShown(shown);
}

bool MainWindow::isLibraryShown() const {
    return pages_->currentWidget() == historyView_;
}

void MainWindow::refreshStatus() {
    EditorVM* editor = s_.vm.editor();
    const auto& entry = s_.vm.currentEntry();
    if (!editor) {
        setWindowTitle(QStringLiteral("Mebo"));
        sizeLabel_->clear();
        stateLabel_->clear();
        const int count = int(s_.history.entries().size());
        status_->setText(count == 1 ? tr("1 capture in the library")
                                    : tr("%1 captures in the library").arg(count));
        return;
    }
    const QString path = s_.vm.currentImagePath();
    const QString name = entry ? QFileInfo(entry->filename).fileName()
                               : (path.isEmpty() ? tr("Image") : QFileInfo(path).fileName());
    setWindowTitle(QStringLiteral("%1 — Mebo").arg(name));
    const QSize size = editor->canvasRect().toAlignedRect().size();
    sizeLabel_->setText(QStringLiteral("%1 × %2 px").arg(size.width()).arg(size.height()));
    if (editor->hasUnsavedChanges()) {
        stateLabel_->setText(tr("Edited"));
    } else if (entry && entry->hasMeboSidecar) {
        stateLabel_->setText(tr("Saved"));
    } else {
        stateLabel_->clear();
    }
    if (status_->property("flashing").toBool()) {
        return;
    }
    const int layers = int(editor->layers().size());
    status_->setText(layers == 1 ? tr("%1 · 1 layer").arg(name) : tr("%1 · %2 layers").arg(name).arg(layers));
}

void MainWindow::flash(const QString& message) {
    status_->setText(message);
    status_->setProperty("flashing", true);
    QPointer<MainWindow> self(this);
    QTimer::singleShot(kFlashMs, this, [self, message] {
        if (self && self->status_->text() == message) {
            self->status_->setProperty("flashing", false);
            self->refreshStatus();
        }
    });
}

void MainWindow::refreshZoom() {
    toolBar_->setZoomText(s_.vm.editor() ? QStringLiteral("%1%").arg(qRound(canvas()->scale() * 100))
                                         : QString());
}

void MainWindow::updateToolShortcuts() {
    toolKeys_.setToolShortcuts(s_.cfg, [this](ToolKind tool) {
        if (EditorVM* editor = s_.vm.editor(); editor && !editor->isTextEditing()) {
            editor->setCurrentTool(tool);
        }
    });
}

// --- opening -----------------------------------------------------------------------------------

void MainWindow::showMainWindow() {
    folderHint_->setText(
        tr("Captures are saved in %1").arg(QDir::toNativeSeparators(s_.cfg.saveDirectory())));
    show();
    raise();
    activateWindow();
}

void MainWindow::openNewCapture(const QString& path, const QString& itemId, const CaptureResult&) {
    const bool wasHidden = captureInProgress_;
    captureInProgress_ = false;
    if (wasHidden || s_.cfg.openEditorAfterCapture()) {
        showMainWindow();
        if (rememberedFrame_) {
            setGeometry(*rememberedFrame_);
        }
    }
    rememberedFrame_.reset();
    notifyCaptured(path, itemId);
    // The history entry is added right after this returns; open the item from it then.
    QPointer<MainWindow> self(this);
    QTimer::singleShot(0, this, [self, path, itemId] {
        if (!self) {
            return;
        }
        for (const HistoryEntry& entry : self->s_.history.entries()) {
            if (entry.id == itemId) {
                self->openEntry(entry);
                return;
            }
        }
        self->openImageFiles({path});
    });
}

void MainWindow::exportItem(const HistoryEntry& entry) {
    QPointer<MainWindow> self(this);
    const QString folder = s_.prefs ? s_.prefs->exportFolder() : QString();
    ImageOutputs::askSavePath(
        this, QFileInfo(entry.filename).completeBaseName(), folder, [self, entry](const QString& file) {
            if (!self) {
                return;
            }
            if (self->s_.prefs) {
                self->s_.vm.setExportQuality(self->s_.prefs->exportQuality());
            }
            self->s_.vm.saveAsItem(entry, file, [self, file](bool ok) {
                if (self && ok) {
                    if (self->s_.prefs) {
                        self->s_.prefs->setExportFolder(QFileInfo(file).absolutePath());
                    }
                    self->flash(tr("Exported to %1").arg(QDir::toNativeSeparators(file)));
                }
            });
        });
}

QString MainWindow::pictureTitle() const {
    const QString path = s_.vm.currentImagePath();
    return path.isEmpty() ? QStringLiteral("Mebo") : QFileInfo(path).fileName();
}

void MainWindow::notifyCaptured(const QString& path, const QString& itemId) {
    if (!s_.notifications || !s_.prefs || !s_.prefs->notifyAfterCapture()) {
        return;
    }
    using Action = platform::Notifications::Action;
    const platform::Notifications::Notice notice{tr("Capture saved"),
                                                 QFileInfo(path).fileName(),
                                                 path,
                                                 {Action{QStringLiteral("open"), tr("Open")},
                                                  Action{QStringLiteral("copy"), tr("Copy")},
                                                  Action{QStringLiteral("reveal"), tr("Show in Folder")}}};
    QPointer<MainWindow> self(this);
    s_.notifications->notify(notice, [self, path, itemId](const QString& action) {
        if (!self) {
            return;
        }
        if (action == QLatin1String("open")) {
            self->showMainWindow();
            for (const HistoryEntry& entry : self->s_.history.entries()) {
                if (entry.id == itemId) {
                    self->openEntry(entry);
                    return;
                }
            }
            self->openImageFiles({path});
        } else if (action == QLatin1String("copy")) {
            self->s_.clipboard.copyImage(QImage(path), QStringLiteral("notification"));
        } else if (action == QLatin1String("reveal") && self->s_.workspace) {
            self->s_.workspace->revealFile(path);
        }
    });
}

void MainWindow::openEntry(const HistoryEntry& entry) {
    if (entry.mediaType == QLatin1String("video")) {
        openVideoEditor(s_.history.mainFilePath(entry));
        return;
    }
    QPointer<MainWindow> self(this);
    s_.vm.switchToItem(entry, [self](bool switched) {
        if (self && switched) {
            self->showLibrary(false);
            self->canvas()->setFocus();
        } else if (self) {
            // Staying: the strip marks the item still being edited.
            const auto& current = self->s_.vm.currentEntry();
            self->strip_->setCurrentEntryId(current ? current->id : QString());
        }
    });
}

std::optional<HistoryEntry> MainWindow::neighbour(int step) const {
    const QList<HistoryEntry>& entries = s_.history.entries();
    if (entries.isEmpty()) {
        return std::nullopt;
    }
    const auto& current = s_.vm.currentEntry();
    qsizetype at = -1;
    for (qsizetype i = 0; current && i < entries.size(); ++i) {
        if (entries[i].id == current->id) {
            at = i;
        }
    }
    // Without an open library item the newest one is next.
    const qsizetype next = at < 0 ? 0 : at + step;
    if (next < 0 || next >= entries.size()) {
        return std::nullopt;
    }
    return entries[next];
}

bool MainWindow::openNeighbour(int step) {
    const auto entry = neighbour(step);
    if (entry) {
        openEntry(*entry);
    }
    return entry.has_value();
}

bool MainWindow::openImageFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        if (!isReadableImage(path)) {
            continue;
        }
        QPointer<MainWindow> self(this);
        s_.vm.switchToImageFile(path, [self, path](bool switched) {
            if (self && switched) {
                self->showLibrary(false);
                self->flash(tr("Opened %1").arg(QFileInfo(path).fileName()));
            }
        });
        return true;
    }
    return false;
}

void MainWindow::openImageDialog() {
    const QString start = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    auto* dialog = new QFileDialog(this, tr("Open Image"), start,
                                   tr("Images (*.png *.jpg *.jpeg *.bmp *.gif *.webp *.tif *.tiff)"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& file) {
        if (!openImageFiles({file})) {
            flash(tr("%1 is not an image Mebo can read.").arg(QFileInfo(file).fileName()));
        }
    });
    dialog->open();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QStringList files = localFiles(event->mimeData());
    if (std::any_of(files.begin(), files.end(), isReadableImage)) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (openImageFiles(localFiles(event->mimeData()))) {
        event->acceptProposedAction();
    }
}

// --- save, copy, paste -------------------------------------------------------------------------

bool MainWindow::showsMedia() const {
    const auto kind = s_.vm.mode().kind();
    return kind == EditorMode::Kind::image || kind == EditorMode::Kind::video;
}

void MainWindow::save() {
    if (!s_.vm.editor()) {
        return;
    }
    canvas()->commitTextEdit();
    if (!s_.vm.currentEntry()) {
        saveAs(); // an image from outside the library has no sidecar: export it
        return;
    }
    if (s_.vm.save()) {
        flash(tr("Saved"));
    }
    refreshStatus();
}

void MainWindow::saveAs() {
    if (!s_.vm.editor()) {
        return;
    }
    canvas()->commitTextEdit();
    QString start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (!QFileInfo(start).isDir()) {
        start = QDir::homePath();
    }
    const auto& entry = s_.vm.currentEntry();
    const QString name = entry ? QFileInfo(entry->filename).completeBaseName() : tr("Annotated");
    const QString outside = QFileInfo(s_.vm.currentImagePath()).completeBaseName();
    const QString title = entry ? name : (outside.isEmpty() ? name : outside);
    QPointer<MainWindow> self(this);
    ImageOutputs::askSavePath(
        this, title, s_.prefs ? s_.prefs->exportFolder() : start, [self](const QString& file) {
            if (!self) {
                return;
            }
            if (self->s_.prefs) {
                self->s_.vm.setExportQuality(self->s_.prefs->exportQuality());
            }
            self->s_.vm.saveAs(file, [self, file](bool ok) {
                if (self && ok) {
                    if (self->s_.prefs) {
                        self->s_.prefs->setExportFolder(QFileInfo(file).absolutePath());
                    }
                    self->flash(tr("Exported to %1").arg(QDir::toNativeSeparators(file)));
                    self->refreshStatus();
                }
            });
        });
}

bool MainWindow::copyCurrentMedia() {
    if (copyFocusedRecording()) {
        return true;
    }
    EditorVM* editor = s_.vm.editor();
    if (!editor) {
        return false;
    }
    canvas()->commitTextEdit();
    const bool copied = s_.clipboard.copyImage(editor->flattened(), QStringLiteral("main window"));
    if (copied) {
        flash(tr("Copied to clipboard"));
    }
    return copied;
}

bool MainWindow::pasteImageIntoCanvas() {
    EditorVM* editor = s_.vm.editor();
    if (!editor || isLibraryShown()) {
        return false;
    }
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) {
        return false;
    }
    editor->setCurrentTool(ToolKind::selection); // the pasted layer comes selected, ready to move
    editor->pasteImage(image);
    return true;
}

// --- menu commands -----------------------------------------------------------------------------

bool MainWindow::performCommand(const QString& selector) {
    if (selector == QLatin1String("openImage:")) {
        openImageDialog();
        return true;
    }
    if (selector == QLatin1String("showLibrary:")) {
        showLibrary(!isLibraryShown());
        return true;
    }
    if (selector == QLatin1String("openNewerItem:") || selector == QLatin1String("openOlderItem:")) {
        return openNeighbour(selector == QLatin1String("openNewerItem:") ? -1 : 1);
    }
    if (selector == QLatin1String("openVideo:") || selector == QLatin1String("openProject:")) {
        openVideoDialog(selector == QLatin1String("openProject:"));
        return true;
    }
    if (selector == QLatin1String("exportGIF:")) {
        return exportChosenRecordingAsGif();
    }
    if (!s_.vm.editor()) {
        return false;
    }
    if (selector == QLatin1String("recognizeText:")) {
        editorPage_->recognizeText();
        return true;
    }
    if (selector == QLatin1String("recognizeTextInRegion:")) {
        showLibrary(false);
        editorPage_->recognizeRegion();
        return true;
    }
    if (selector == QLatin1String("smartRedact:")) {
        showLibrary(false);
        editorPage_->smartRedact();
        return true;
    }
    // The Delete key of the strip or the library belongs to the item under it.
    if (selector == QLatin1String("deleteSelection:")) {
        QWidget* focus = QApplication::focusWidget();
        if (focus && (strip_->isAncestorOf(focus) || historyView_->isAncestorOf(focus))) {
            return false;
        }
    }
    if (selector == QLatin1String("print:") || selector == QLatin1String("pinToScreen:")) {
        canvas()->commitTextEdit();
        const QImage picture = s_.vm.editor()->flattened();
        if (selector == QLatin1String("print:")) {
            ImageOutputs::print(this, picture, pictureTitle());
        } else {
            ImageOutputs::pin(picture, pictureTitle());
        }
        return true;
    }
    if (selector == QLatin1String("zoomIn:")) {
        canvas()->zoomIn();
        return true;
    }
    if (selector == QLatin1String("zoomOut:")) {
        canvas()->zoomOut();
        return true;
    }
    if (selector == QLatin1String("zoomToFit:")) {
        canvas()->zoomToFit();
        return true;
    }
    if (selector == QLatin1String("actualSize:")) {
        canvas()->actualSize();
        return true;
    }
    EditorVM& editor = *s_.vm.editor();
    if (selector == QLatin1String("undo:") || selector == QLatin1String("redo:")) {
        canvas()->commitTextEdit();
    }
    return EditorMenuCommand::isEnabled(editor, selector) && EditorMenuCommand::perform(editor, selector);
}

bool MainWindow::isCommandEnabled(const QString& selector) const {
    const bool image = s_.vm.editor() != nullptr;
    if (selector == QLatin1String("openImage:") || selector == QLatin1String("showLibrary:")) {
        return true;
    }
    if (selector == QLatin1String("openNewerItem:") || selector == QLatin1String("openOlderItem:")) {
        return neighbour(selector == QLatin1String("openNewerItem:") ? -1 : 1).has_value();
    }
    if (selector == QLatin1String("openVideo:") || selector == QLatin1String("openProject:")) {
        return s_.video != nullptr;
    }
    if (selector == QLatin1String("exportGIF:")) {
        return s_.video != nullptr && chosenRecording().has_value();
    }
    if (selector == QLatin1String("recognizeText:") || selector == QLatin1String("recognizeTextInRegion:") ||
        selector == QLatin1String("smartRedact:") || selector == QLatin1String("print:") ||
        selector == QLatin1String("pinToScreen:")) {
        return image;
    }
    if (selector.startsWith(QLatin1String("zoom")) || selector == QLatin1String("actualSize:")) {
        return image;
    }
    if (selector == QLatin1String("saveDocument:") || selector == QLatin1String("saveDocumentAs:")) {
        return showsMedia();
    }
    if (selector == QLatin1String("copy:") || selector == QLatin1String("paste:")) {
        return true; // text fields take them too
    }
    EditorVM* editor = s_.vm.editor();
    return editor && EditorMenuCommand::isEnabled(*editor, selector);
}

// --- window ------------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing a window never quits; the application stays in the tray.
    event->ignore();
    hide();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (s_.vm.editor() && !isLibraryShown()) {
        toolKeyFilter_->install();
    }
}

void MainWindow::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    toolKeyFilter_->remove();
}

} // namespace mebo
