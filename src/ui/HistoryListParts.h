#pragma once

#include "ui/HistoryItemActions.h"
#include "ui/HistoryItemDelegate.h"

class QLabel;
class QListView;
class QWidget;

namespace mebo {

class HistoryListModel;
class HistoryStore;
class ThumbnailCache;

// What both library views are made of: the store as a list model, painted by the delegate in the
// view's layout, a list view acting through the shared item actions, and the label shown over
// the list while it is empty. Every part is a child of `owner`.
struct HistoryListParts {
    HistoryListModel* model = nullptr;
    HistoryItemDelegate* delegate = nullptr;
    HistoryItemActions* actions = nullptr;
    QListView* list = nullptr;
    QLabel* empty = nullptr;

    static HistoryListParts make(QWidget* owner, HistoryStore& store, ThumbnailCache& thumbnails,
                                 HistoryItemActions::RevealFile revealFile,
                                 HistoryItemDelegate::Layout layout, HistoryItemActions::OpenOn openOn,
                                 const QString& accessibleName);
};

} // namespace mebo
