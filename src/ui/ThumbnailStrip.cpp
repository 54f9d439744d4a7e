#include "ui/ThumbnailStrip.h"

#include "library/HistoryListModel.h"
#include "ui/HistoryItemDelegate.h"
#include "ui/HistoryListParts.h"

#include <QGridLayout>
#include <QLabel>
#include <QListView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>

namespace mebo {

ThumbnailStrip::ThumbnailStrip(HistoryStore& store, ThumbnailCache& thumbnails,
                               HistoryItemActions::RevealFile revealFile, QWidget* parent)
    : QWidget(parent) {
    parts_ = HistoryListParts::make(this, store, thumbnails, std::move(revealFile),
                                    HistoryItemDelegate::Layout::strip, HistoryItemActions::OpenOn::click,
                                    QStringLiteral("Captures"));
    parts_.list->setViewMode(QListView::ListMode);
    parts_.list->setFlow(QListView::TopToBottom);
    parts_.list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    parts_.list->setSpacing(2);
    connect(parts_.actions, &HistoryItemActions::openRequested, this, &ThumbnailStrip::openRequested);

    parts_.empty->setText(QStringLiteral("No captures yet"));
    parts_.empty->setContentsMargins(12, 12, 12, 12);

    // The label lies over the list in the same cell.
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(parts_.list, 0, 0);
    layout->addWidget(parts_.empty, 0, 0);
    // Wide enough for a cell beside the scroll bar, so the bar never covers the names.
    const int cell = parts_.delegate->sizeHint(QStyleOptionViewItem(), QModelIndex()).width();
    const int bar = parts_.list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, parts_.list);
    setFixedWidth(
        std::max(kWidth, cell + 2 * parts_.list->spacing() + bar + 2 * parts_.list->frameWidth() + 2));

    connect(parts_.model, &HistoryListModel::countChanged, this, &ThumbnailStrip::syncAfterRowsChanged);
    connect(parts_.model, &QAbstractItemModel::modelReset, this, &ThumbnailStrip::syncAfterRowsChanged);
    syncAfterRowsChanged();
}

void ThumbnailStrip::setCurrentEntryId(const QString& entryId) {
    parts_.delegate->setCurrentEntryId(entryId);
    selectCurrent(true);
    parts_.list->viewport()->update();
}

QString ThumbnailStrip::currentEntryId() const {
    return parts_.delegate->currentEntryId();
}

std::optional<HistoryEntry> ThumbnailStrip::chosenEntry() const {
    const QModelIndex index = parts_.list->currentIndex();
    return index.isValid() ? parts_.model->entryAt(index.row()) : std::nullopt;
}

void ThumbnailStrip::syncAfterRowsChanged() {
    parts_.empty->setVisible(parts_.model->rowCount() == 0);
    // A reset forgets the selection; an insert at the top keeps it but the item may be new.
    if (!parts_.list->selectionModel()->hasSelection()) {
        selectCurrent(false);
    }
}

void ThumbnailStrip::selectCurrent(bool scroll) {
    const int row = parts_.model->rowOf(parts_.delegate->currentEntryId());
    if (row < 0) {
        parts_.list->selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = parts_.model->index(row);
    parts_.list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    if (scroll) {
        parts_.list->scrollTo(index);
    }
}

} // namespace mebo
