#include "ui/HistoryView.h"

#include "library/HistoryListModel.h"
#include "ui/HistoryItemDelegate.h"
#include "ui/HistoryListParts.h"

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
    parts_ = HistoryListParts::make(
        this, store, thumbnails, std::move(revealFile), HistoryItemDelegate::Layout::grid,
        HistoryItemActions::OpenOn::doubleClick, QStringLiteral("Capture history"));

    filter_ = new QLineEdit(this);
    filter_->setPlaceholderText(QStringLiteral("Filter by name or tag"));
    filter_->setClearButtonEnabled(true);
    filter_->setMinimumWidth(240);
    count_ = new QLabel(this);
    count_->setForegroundRole(QPalette::PlaceholderText);
    setTabOrder(filter_, parts_.list); // the filter first, though the grid was made before it

    parts_.list->setViewMode(QListView::IconMode);
    parts_.list->setMovement(QListView::Static);
    parts_.list->setResizeMode(QListView::Adjust);
    parts_.list->setWrapping(true);
    parts_.list->setSpacing(6);
    connect(parts_.actions, &HistoryItemActions::openRequested, this, &HistoryView::openRequested);

    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    top->addWidget(filter_, 1);
    top->addWidget(count_);
    // The label lies over the grid in the same cell.
    auto* body = new QGridLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(parts_.list, 0, 0);
    body->addWidget(parts_.empty, 0, 0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addLayout(top);
    layout->addLayout(body, 1);

    connect(filter_, &QLineEdit::textChanged, parts_.model, &HistoryListModel::setFilter);
    connect(parts_.model, &HistoryListModel::countChanged, this, &HistoryView::syncCount);
    connect(parts_.model, &QAbstractItemModel::modelReset, this, &HistoryView::syncCount);
    syncCount();
}

void HistoryView::setCurrentEntryId(const QString& entryId) {
    parts_.delegate->setCurrentEntryId(entryId);
    parts_.list->viewport()->update();
}

QString HistoryView::currentEntryId() const {
    return parts_.delegate->currentEntryId();
}

QString HistoryView::countText(int shown, int total, bool filtered) {
    const QString noun = total == 1 ? QStringLiteral("capture") : QStringLiteral("captures");
    if (filtered) {
        return QStringLiteral("%1 of %2 %3").arg(shown).arg(total).arg(noun);
    }
    return QStringLiteral("%1 %2").arg(total).arg(noun);
}

void HistoryView::syncCount() {
    const bool filtered = !parts_.model->filter().trimmed().isEmpty();
    const int shown = parts_.model->rowCount();
    count_->setText(countText(shown, parts_.model->totalCount(), filtered));
    parts_.empty->setText(filtered
                              ? QStringLiteral("No captures match “%1”").arg(parts_.model->filter().trimmed())
                              : QStringLiteral("No captures yet"));
    parts_.empty->setVisible(shown == 0);
}

} // namespace mebo
