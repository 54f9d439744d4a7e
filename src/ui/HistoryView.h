#pragma once

#include "library/HistoryEntry.h"
#include "ui/HistoryListParts.h"

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
    QLabel* emptyLabel() const { return parts_.empty; }
    QListView* listView() const { return parts_.list; }
    HistoryListModel* model() const { return parts_.model; }
    HistoryItemActions* actions() const { return parts_.actions; }

Q_SIGNALS:
    void openRequested(const mebo::HistoryEntry& entry);

private:
    void syncCount();

    HistoryListParts parts_;
    QLineEdit* filter_;
    QLabel* count_;
};

} // namespace mebo
