#include "ui/SourcePickerWindow.h"

#include "app/AppLogger.h"
#include "recording/RecordingPanelVM.h"
#include "ui/RecordingPanel.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace mebo {

namespace {

constexpr int kindRole = Qt::UserRole + 1;
constexpr int idRole = Qt::UserRole + 2;

QListWidget* tileList(QWidget* parent, const QString& name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setViewMode(QListView::IconMode);
    list->setIconSize(QSize(SourcePickerVM::thumbnailWidth, SourcePickerVM::thumbnailHeight));
    list->setGridSize(QSize(SourcePickerVM::thumbnailWidth + 24, SourcePickerVM::thumbnailHeight + 56));
    list->setResizeMode(QListView::Adjust);
    list->setMovement(QListView::Static);
    list->setWordWrap(true);
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

// A placeholder of the thumbnail's size until the picture arrives.
QIcon placeholder(const QPalette& palette) {
    QPixmap pm(SourcePickerVM::thumbnailWidth, SourcePickerVM::thumbnailHeight);
    pm.fill(palette.color(QPalette::AlternateBase));
    QPainter p(&pm);
    p.setPen(palette.color(QPalette::PlaceholderText));
    p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("Loading..."));
    return QIcon(pm);
}

QIcon thumbnailIcon(const QImage& image) {
    // Centred in a box of the full size, so every tile lines up.
    QPixmap pm(SourcePickerVM::thumbnailWidth, SourcePickerVM::thumbnailHeight);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const QPoint at((pm.width() - image.width()) / 2, (pm.height() - image.height()) / 2);
    p.drawImage(at, image);
    return QIcon(pm);
}

} // namespace

SourcePickerWindow::SourcePickerWindow(SourcePickerVM& picker, RecordingPanelVM& panel, QWidget* parent)
    : QWidget(parent, Qt::Window), picker_(picker), panelVM_(panel) {
    setObjectName(QStringLiteral("sourcePicker"));
    setWindowTitle(QStringLiteral("Record Screen"));
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(16, 16, 16, 16);
    outer->setSpacing(16);

    auto* sources = new QVBoxLayout;
    sources->setSpacing(8);
    auto* heading = new QLabel(QStringLiteral("Choose what to record"), this);
    QFont f = heading->font();
    f.setPointSizeF(f.pointSizeF() * 1.25);
    f.setBold(true);
    heading->setFont(f);
    sources->addWidget(heading);
    sources->addWidget(new QLabel(QStringLiteral("Displays"), this));
    displays_ = tileList(this, QStringLiteral("displayList"));
    displays_->setFixedHeight(SourcePickerVM::thumbnailHeight + 66);
    displays_->setFlow(QListView::LeftToRight);
    displays_->setWrapping(false);
    sources->addWidget(displays_);
    sources->addWidget(new QLabel(QStringLiteral("Windows"), this));
    windows_ = tileList(this, QStringLiteral("windowList"));
    windows_->setMinimumSize(3 * (SourcePickerVM::thumbnailWidth + 24) + 24,
                             SourcePickerVM::thumbnailHeight + 66);
    sources->addWidget(windows_, 1);
    auto* custom = new QHBoxLayout;
    custom_ = new QPushButton(QStringLiteral("Custom Re&gion..."), this);
    custom_->setToolTip(QStringLiteral("Drag out the area to record"));
    custom->addWidget(custom_);
    custom->addStretch(1);
    sources->addLayout(custom);
    outer->addLayout(sources, 1);

    panel_ = new RecordingPanel(panelVM_, this);
    panel_->setOptionsShown(true);
    outer->addWidget(panel_, 0, Qt::AlignTop);

    connect(&picker_, &SourcePickerVM::itemsChanged, this, &SourcePickerWindow::rebuild);
    connect(&picker_, &SourcePickerVM::thumbnailChanged, this, &SourcePickerWindow::updateThumbnail);
    connect(&picker_, &SourcePickerVM::selectionChanged, this, &SourcePickerWindow::syncSelection);
    for (QListWidget* list : {displays_, windows_}) {
        connect(list, &QListWidget::itemSelectionChanged, this, [this, list] {
            const auto items = list->selectedItems();
            if (items.isEmpty()) {
                return;
            }
            picker_.select({SourcePickerChoice::Kind(items.first()->data(kindRole).toInt()),
                            items.first()->data(idRole).toUInt(),
                            items.first()->data(Qt::DisplayRole).toString()});
        });
        connect(list, &QListWidget::itemActivated, this, [this](QListWidgetItem*) { accept(); });
    }
    connect(custom_, &QPushButton::clicked, this, [this] {
        finish(SourcePickerChoice{SourcePickerChoice::Kind::area, 0, QString()});
    });
    live_.setInterval(liveRefreshMs);
    connect(&live_, &QTimer::timeout, &picker_, &SourcePickerVM::refreshThumbnails);
    resize(sizeHint());
}

void SourcePickerWindow::open(std::function<void(std::optional<SourcePickerChoice>)> done) {
    done_ = std::move(done);
    thumbnailsShown_ = false;
    panelVM_.reload();
    picker_.refresh();
    live_.start();
    show();
    raise();
    activateWindow();
}

void SourcePickerWindow::rebuild() {
    const auto fill = [this](QListWidget* list, const QList<SourcePickerVM::Item>& items) {
        const QSignalBlocker block(list);
        list->clear();
        for (const auto& item : items) {
            auto* row = new QListWidgetItem(list);
            row->setText(item.choice.title + QLatin1Char('\n') + item.detail);
            row->setData(kindRole, int(item.choice.kind));
            row->setData(idRole, item.choice.id);
            row->setIcon(item.thumbnail.isNull() ? placeholder(palette()) : thumbnailIcon(item.thumbnail));
            row->setToolTip(item.choice.title);
        }
    };
    fill(displays_, picker_.displays());
    fill(windows_, picker_.windows());
    syncSelection();
}

void SourcePickerWindow::updateThumbnail(SourcePickerChoice::Kind kind, int index) {
    QListWidget* list = kind == SourcePickerChoice::Kind::display ? displays_ : windows_;
    const auto& items = kind == SourcePickerChoice::Kind::display ? picker_.displays() : picker_.windows();
    if (index >= 0 && index < list->count() && index < items.size()) {
        list->item(index)->setIcon(thumbnailIcon(items[index].thumbnail));
    }
    if (!thumbnailsShown_) {
        const auto pictured = [](const QList<SourcePickerVM::Item>& all) {
            return std::all_of(all.begin(), all.end(), [](const auto& i) { return !i.thumbnail.isNull(); });
        };
        if (pictured(picker_.displays()) && pictured(picker_.windows())) {
            // Once per opening: every tile has its picture (scripts wait for this line).
            thumbnailsShown_ = true;
            logInfo(QStringLiteral("[SourcePicker] 縮圖已就緒 displays=%1 windows=%2")
                        .arg(picker_.displays().size())
                        .arg(picker_.windows().size()));
        }
    }
}

void SourcePickerWindow::syncSelection() {
    const auto chosen = picker_.selection();
    for (QListWidget* list : {displays_, windows_}) {
        const QSignalBlocker block(list);
        list->clearSelection();
        for (int i = 0; chosen && i < list->count(); ++i) {
            QListWidgetItem* item = list->item(i);
            if (item->data(kindRole).toInt() == int(chosen->kind) &&
                item->data(idRole).toUInt() == chosen->id) {
                item->setSelected(true);
                list->setCurrentItem(item);
            }
        }
    }
    panelVM_.setStartAvailable(picker_.canStart());
}

void SourcePickerWindow::accept() {
    if (const auto chosen = picker_.selection()) {
        finish(*chosen);
    }
}

void SourcePickerWindow::reject() {
    finish(std::nullopt);
}

void SourcePickerWindow::finish(std::optional<SourcePickerChoice> choice) {
    live_.stop();
    hide();
    if (auto done = std::exchange(done_, nullptr)) {
        done(choice);
    }
}

void SourcePickerWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (isOpen()) {
        reject();
    }
}

void SourcePickerWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace mebo
