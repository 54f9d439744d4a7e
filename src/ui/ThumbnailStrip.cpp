#include "ui/ThumbnailStrip.h"

#include "library/HistoryListModel.h"
#include "ui/HistoryItemDelegate.h"

#include <QGridLayout>
#include <QLabel>
#include <QListView>

namespace mebo {

ThumbnailStrip::ThumbnailStrip(HistoryStore& store, ThumbnailCache& thumbnails,
                               HistoryItemActions::RevealFile revealFile, QWidget* parent)
    : QWidget(parent) {
    model_ = new HistoryListModel(store, thumbnails, this);
    delegate_ = new HistoryItemDelegate(HistoryItemDelegate::Layout::strip, this);
    actions_ = new HistoryItemActions(store, std::move(revealFile), this);

    list_ = new QListView(this);
    list_->setModel(model_);
    list_->setItemDelegate(delegate_);
    list_->setViewMode(QListView::ListMode);
    list_->setFlow(QListView::TopToBottom);
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setMouseTracking(true); // hover highlight
    list_->setSpacing(2);
    list_->viewport()->setBackgroundRole(QPalette::Window);
    list_->setAccessibleName(QStringLiteral("Captures"));
    actions_->attach(list_, HistoryItemActions::OpenOn::click);
    connect(actions_, &HistoryItemActions::openRequested, this, &ThumbnailStrip::openRequested);

    empty_ = new QLabel(QStringLiteral("No captures yet"), this);
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setWordWrap(true);
    empty_->setForegroundRole(QPalette::PlaceholderText);
    empty_->setAttribute(Qt::WA_TransparentForMouseEvents);
    empty_->setContentsMargins(12, 12, 12, 12);

    // The label lies over the list in the same cell.
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_, 0, 0);
    layout->addWidget(empty_, 0, 0);
    setFixedWidth(kWidth);

    connect(model_, &HistoryListModel::countChanged, this, &ThumbnailStrip::syncAfterRowsChanged);
    connect(model_, &QAbstractItemModel::modelReset, this, &ThumbnailStrip::syncAfterRowsChanged);
    syncAfterRowsChanged();
}

void ThumbnailStrip::setCurrentEntryId(const QString& entryId) {
    delegate_->setCurrentEntryId(entryId);
    selectCurrent(true);
    list_->viewport()->update();
}

QString ThumbnailStrip::currentEntryId() const {
    return delegate_->currentEntryId();
}

void ThumbnailStrip::syncAfterRowsChanged() {
    empty_->setVisible(model_->rowCount() == 0);
    // A reset forgets the selection; an insert at the top keeps it but the item may be new.
    if (!list_->selectionModel()->hasSelection()) {
        selectCurrent(false);
    }
}

void ThumbnailStrip::selectCurrent(bool scroll) {
    const int row = model_->rowOf(delegate_->currentEntryId());
    if (row < 0) {
        list_->selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = model_->index(row);
    list_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    if (scroll) {
        list_->scrollTo(index);
    }
}

} // namespace mebo
