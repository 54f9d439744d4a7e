#pragma once

#include <QString>
#include <Qt>
#include <functional>
#include <optional>

namespace mebo {

class MediaCommandTarget;

// The moment of an application-wide key press (or menu command) as the router needs it; the
// desktop shell fills it from its windows and focus.
struct ShortcutScene {
    enum class Window { none, main, other, filePanel };

    bool filePanelVisible = false; // an open or save dialog of the application is on screen
    bool eventHasWindow = true;    // the key event was delivered to a window
    Window window = Window::none;  // the event's window, else the active one
    bool windowVisible = false;
    bool mainWindowExists = false;
    bool mainWindowVisible = false;
    bool mainWindowIsKey = false; // the main window is the active window
    bool focusInMainWindow = false;
    QString windowClass;    // class names for the log lines ("nil" when empty)
    QString responderClass; // the focused widget's class

    // The focused text input: its selection and the standard actions.
    bool textFocused = false;      // a text view, text field or editable combo box has the focus
    bool textHasSelection = false; // ... with at least one selected character
    std::function<void()> copyText;
    std::function<void()> pasteText;
};

// The application-wide Ctrl+S, Ctrl+C and Ctrl+V: they reach whatever the user is looking at,
// even when the focus is in a panel. Menu items run the same routing with source "menu". Every
// routing logs what it did. Main thread only.
class ShortcutRouter {
public:
    explicit ShortcutRouter(MediaCommandTarget& target) : target_(target) {}

    struct KeyPress {
        int key = 0;  // Qt::Key
        QString text; // the key's characters ignoring modifiers
        Qt::KeyboardModifiers modifiers;
    };

    // Answers true when the key was used (the event is consumed).
    bool saveKey(const KeyPress& key, const ShortcutScene& scene);
    bool copyKey(const KeyPress& key, const ShortcutScene& scene);
    bool pasteKey(const KeyPress& key, const ShortcutScene& scene);
    // Tries the three in turn.
    bool keyPressed(const KeyPress& key, const ShortcutScene& scene);

    // The File and Edit menus.
    bool saveFromMenu(bool saveAs);
    bool copyFromMenu(const ShortcutScene& scene);
    bool pasteFromMenu(const ShortcutScene& scene);

    // The key matches: Ctrl (Shift ignored only for save), no Alt or Meta.
    static bool matchesSave(const KeyPress& key);
    static bool matchesCopy(const KeyPress& key);
    static bool matchesPaste(const KeyPress& key);

    // The shortcut-target test, in its three strengths.
    static bool saveTargetHolds(const ShortcutScene& scene);
    static bool copyTargetHolds(const ShortcutScene& scene);
    static bool pasteTargetHolds(const ShortcutScene& scene);

private:
    bool save(const QString& source, bool saveAs);
    bool copy(const QString& source, const ShortcutScene& scene);
    bool paste(const QString& source, const ShortcutScene& scene);

    MediaCommandTarget& target_;
};

} // namespace mebo
