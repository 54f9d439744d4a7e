#pragma once

#include <QObject>

namespace mebo {

class KeyboardShortcutHandler;

// Feeds the editor's single-letter tool shortcuts from key presses anywhere in the application
// while installed; never while the user types into a text input or a menu or popup is open.
// The editor view installs it when shown and removes it when hidden. Main thread only.
class ToolShortcutFilter : public QObject {
    Q_OBJECT
public:
    explicit ToolShortcutFilter(KeyboardShortcutHandler& handler, QObject* parent = nullptr);
    ~ToolShortcutFilter() override;

    // Replaces an earlier installation (at most one is active).
    void install();
    void remove();

    // A text input, menu or popup has the keyboard now.
    static bool typingFocused();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyboardShortcutHandler& handler_;
    bool installed_ = false;
};

} // namespace mebo
