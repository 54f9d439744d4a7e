#include "ui/HistoryListParts.h"

#include "library/HistoryListModel.h"

#include <QLabel>
#include <QListView>

namespace mebo {

HistoryListParts HistoryListParts::make(QWidget* owner, HistoryStore& store, ThumbnailCache& thumbnails,
                                        HistoryItemActions::RevealFile revealFile,
                                        HistoryItemDelegate::Layout layout, HistoryItemActions::OpenOn openOn,
                                        const QString& accessibleName) {
    HistoryListParts parts;
    parts.model = new HistoryListModel(store, thumbnails, owner);
    parts.delegate = new HistoryItemDelegate(layout, owner);
    parts.actions = new HistoryItemActions(store, std::move(revealFile), owner);

    QListView* list = new QListView(owner);
    list->setModel(parts.model);
    list->setItemDelegate(parts.delegate);
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list->setFrameShape(QFrame::NoFrame);
    list->setMouseTracking(true); // hover highlight
    list->viewport()->setBackgroundRole(QPalette::Window);
    list->setAccessibleName(accessibleName);
    parts.actions->attach(list, openOn);
    parts.list = list;

    parts.empty = new QLabel(owner);
    parts.empty->setAlignment(Qt::AlignCenter);
    parts.empty->setWordWrap(true);
    parts.empty->setForegroundRole(QPalette::PlaceholderText);
    parts.empty->setAttribute(Qt::WA_TransparentForMouseEvents);
    return parts;
}

} // namespace mebo
