#pragma once

#include "library/HistoryEntry.h"
#include "ui/HistoryListParts.h"

#include <QWidget>

class QLabel;
class QListView;

namespace mebo {

class HistoryItemDelegate;
class HistoryListModel;
class HistoryStore;
class ThumbnailCache;

// The vertical strip of captures at the left of the main window, newest at the top. A click or
// Enter asks to open an item; the context menu and Delete act on it. The item being edited is
// marked and kept selected. Main thread.
class ThumbnailStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 180; // at least; more when the style's scroll bar needs it

    // `store` and `thumbnails` must outlive the strip; `revealFile` shows a file in the file manager.
    ThumbnailStrip(HistoryStore& store, ThumbnailCache& thumbnails, HistoryItemActions::RevealFile revealFile,
                   QWidget* parent = nullptr);

    // The item open in the editor (empty: none); it is selected and scrolled into view.
    void setCurrentEntryId(const QString& entryId);
    QString currentEntryId() const;
    // The item under the list's cursor (last clicked or moved to): a recording opens in a window
    // of its own, so it may be another than the one being edited.
    std::optional<HistoryEntry> chosenEntry() const;

    QListView* listView() const { return parts_.list; }
    HistoryListModel* model() const { return parts_.model; }
    HistoryItemActions* actions() const { return parts_.actions; }
    QLabel* emptyLabel() const { return parts_.empty; }

Q_SIGNALS:
    void openRequested(const mebo::HistoryEntry& entry);

private:
    void syncAfterRowsChanged();
    void selectCurrent(bool scroll);

    HistoryListParts parts_;
};

} // namespace mebo
