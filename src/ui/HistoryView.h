#pragma once

#include "library/HistoryEntry.h"
#include "ui/HistoryItemActions.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListView;

namespace mebo {

class HistoryItemDelegate;
class HistoryListModel;
class HistoryStore;
class ThumbnailCache;

// The full history page: a filter field, a grid of larger thumbnails (newest first) and the count.
// Double click or Enter asks to open an item; the context menu and Delete act on it. Main thread.
class HistoryView : public QWidget {
    Q_OBJECT
public:
    // `store` and `thumbnails` must outlive the view; `revealFile` shows a file in the file manager.
    HistoryView(HistoryStore& store, ThumbnailCache& thumbnails, HistoryItemActions::RevealFile revealFile,
                QWidget* parent = nullptr);

    // The item open in the editor (empty: none); marked in the grid.
    void setCurrentEntryId(const QString& entryId);
    QString currentEntryId() const;

    // "12 captures", "1 capture", or "3 of 12 captures" while a filter narrows the list.
    static QString countText(int shown, int total, bool filtered);

    QLineEdit* filterField() const { return filter_; }
    QLabel* countLabel() const { return count_; }
    QLabel* emptyLabel() const { return empty_; }
    QListView* listView() const { return grid_; }
    HistoryListModel* model() const { return model_; }
    HistoryItemActions* actions() const { return actions_; }

Q_SIGNALS:
    void openRequested(const mebo::HistoryEntry& entry);

private:
    void syncCount();

    HistoryListModel* model_;
    HistoryItemDelegate* delegate_;
    HistoryItemActions* actions_;
    QLineEdit* filter_;
    QLabel* count_;
    QListView* grid_;
    QLabel* empty_;
};

} // namespace mebo
