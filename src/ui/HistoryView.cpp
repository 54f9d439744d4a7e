#include "ui/HistoryView.h"

#include "library/HistoryListModel.h"
#include "ui/HistoryItemDelegate.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QVBoxLayout>

namespace mebo {

HistoryView::HistoryView(HistoryStore& store, ThumbnailCache& thumbnails,
                         HistoryItemActions::RevealFile revealFile, QWidget* parent)
    : QWidget(parent) {
    model_ = new HistoryListModel(store, thumbnails, this);
    delegate_ = new HistoryItemDelegate(HistoryItemDelegate::Layout::grid, this);
    actions_ = new HistoryItemActions(store, std::move(revealFile), this);

    filter_ = new QLineEdit(this);
    filter_->setPlaceholderText(QStringLiteral("Filter by name or tag"));
    filter_->setClearButtonEnabled(true);
    filter_->setMinimumWidth(240);
    count_ = new QLabel(this);
    count_->setForegroundRole(QPalette::PlaceholderText);

    grid_ = new QListView(this);
    grid_->setModel(model_);
    grid_->setItemDelegate(delegate_);
    grid_->setViewMode(QListView::IconMode);
    grid_->setMovement(QListView::Static);
    grid_->setResizeMode(QListView::Adjust);
    grid_->setWrapping(true);
    grid_->setUniformItemSizes(true);
    grid_->setSpacing(6);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid_->setMouseTracking(true);
    grid_->setFrameShape(QFrame::NoFrame);
    grid_->viewport()->setBackgroundRole(QPalette::Window);
    grid_->setAccessibleName(QStringLiteral("Capture history"));
    actions_->attach(grid_, HistoryItemActions::OpenOn::doubleClick);
    connect(actions_, &HistoryItemActions::openRequested, this, &HistoryView::openRequested);

    empty_ = new QLabel(this);
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setWordWrap(true);
    empty_->setForegroundRole(QPalette::PlaceholderText);
    empty_->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    top->addWidget(filter_, 1);
    top->addWidget(count_);
    // The label lies over the grid in the same cell.
    auto* body = new QGridLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(grid_, 0, 0);
    body->addWidget(empty_, 0, 0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addLayout(top);
    layout->addLayout(body, 1);

    connect(filter_, &QLineEdit::textChanged, model_, &HistoryListModel::setFilter);
    connect(model_, &HistoryListModel::countChanged, this, &HistoryView::syncCount);
    connect(model_, &QAbstractItemModel::modelReset, this, &HistoryView::syncCount);
    syncCount();
}

void HistoryView::setCurrentEntryId(const QString& entryId) {
    delegate_->setCurrentEntryId(entryId);
    grid_->viewport()->update();
}

QString HistoryView::currentEntryId() const {
    return delegate_->currentEntryId();
}

QString HistoryView::countText(int shown, int total, bool filtered) {
    const QString noun = total == 1 ? QStringLiteral("capture") : QStringLiteral("captures");
    if (filtered) {
        return QStringLiteral("%1 of %2 %3").arg(shown).arg(total).arg(noun);
    }
    return QStringLiteral("%1 %2").arg(total).arg(noun);
}

void HistoryView::syncCount() {
    const bool filtered = !model_->filter().trimmed().isEmpty();
    const int shown = model_->rowCount();
    count_->setText(countText(shown, model_->totalCount(), filtered));
    empty_->setText(filtered ? QStringLiteral("No captures match “%1”").arg(model_->filter().trimmed())
                             : QStringLiteral("No captures yet"));
    empty_->setVisible(shown == 0);
}

} // namespace mebo
