#pragma once

#include "library/HistoryEntry.h"

#include <QObject>
#include <functional>

class QAbstractItemView;
class QDialog;
class QMenu;
class QPoint;
class QWidget;

namespace mebo {

class HistoryStore;

// What the user can do to a library item, shared by the thumbnail strip and the history view:
// open it, show it in the file manager, edit its tags, move it to the Trash. attach() wires a
// list view to them (context menu, Enter, Delete, click or double click). Main thread.
class HistoryItemActions : public QObject {
    Q_OBJECT
public:
    using RevealFile = std::function<void(const QString& path)>;
    using ItemCommand = std::function<void(const HistoryEntry& entry)>;
    // What the window behind the list does with an item (each may be empty: the item is left out).
    struct Commands {
        ItemCommand copy;       // the picture on the clipboard
        ItemCommand exportItem; // Save As, with the annotations
        ItemCommand pin;        // pinned to the screen
    };
    enum class OpenOn { click, doubleClick };

    // `store` must outlive the actions; `revealFile` shows a file in the file manager.
    HistoryItemActions(HistoryStore& store, RevealFile revealFile, QObject* parent = nullptr);

    // Context menu, keys and the open gesture of `view`, whose model is a HistoryListModel.
    void attach(QAbstractItemView* view, OpenOn openOn);

    void setCommands(Commands commands) { commands_ = std::move(commands); }

    // The context menu for `entry`, not yet shown; it deletes itself when closed.
    QMenu* makeMenu(const HistoryEntry& entry, QWidget* parent);

    void open(const HistoryEntry& entry);
    void showInFolder(const HistoryEntry& entry);
    // Opens the tag dialog for `entry` (window-modal over `parent`, no nested event loop) and
    // answers it; Save stores the tags. It deletes itself when closed.
    QDialog* editTags(const HistoryEntry& entry, QWidget* parent);
    void moveToTrash(const HistoryEntry& entry);
    // Asks for a new name (window-modal over `parent`); a refused name is explained and asked again.
    QDialog* rename(const HistoryEntry& entry, QWidget* parent);
    // Replaces the tags of the entry with this id (as it is in the store now); false when it is gone.
    bool setTags(const QString& entryId, const QStringList& tags);

    // "a, b ,,c" -> ["a", "b", "c"]: trimmed, empty ones dropped, repeats (any case) once.
    static QStringList parseTags(const QString& text);

Q_SIGNALS:
    void openRequested(const mebo::HistoryEntry& entry);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HistoryStore& store_;
    RevealFile revealFile_;
    Commands commands_;
};

} // namespace mebo
