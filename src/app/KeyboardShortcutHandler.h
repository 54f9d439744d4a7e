#pragma once

#include "document/ToolKind.h"

#include <QHash>
#include <QString>
#include <Qt>
#include <functional>
#include <optional>

namespace mebo {

class Cfg;

// The annotation editor's single-letter tool shortcuts. The view installs it while the editor is
// shown and asks it about every key press; typing into a text field is never intercepted.
class KeyboardShortcutHandler {
public:
    using Action = std::function<void()>;

    // Lowercased key character to action.
    void setShortcuts(QHash<QChar, Action> shortcuts) { shortcuts_ = std::move(shortcuts); }
    // The editor's dictionary: each tool's effective key from the settings, lowercased; a tool
    // without a key is absent. `select` is called with the tool.
    void setToolShortcuts(const Cfg& cfg, const std::function<void(ToolKind)>& select);

    // Answers whether the key was used (the event is then consumed). `text` is the key's characters
    // ignoring modifiers; `typingFocused` says a text input, menu or popup has the focus.
    bool handleKeyPress(const QString& text, Qt::KeyboardModifiers modifiers, bool typingFocused) const;

    // The character a key press offers to the shortcuts: its text when that is a letter or a digit,
    // else the letter or digit of the key itself (a layout that gives no text); nothing for every
    // other key, so arrows, Escape, Tab, Return, Home or F1 keep their own meaning.
    static QString shortcutText(int key, const QString& text);

private:
    QHash<QChar, Action> shortcuts_;
};

// Editing a tool's key in the settings window.
class ShortcutEditor {
public:
    // What a one-character field keeps of what was typed: the first letter or digit, uppercased.
    static QString normalise(const QString& typed);

    struct Conflict {
        QString title;   // "Shortcut conflict"
        QString message; // Key "X" is already used by <tool>.
    };
    // Stores the tool's new key (empty disables the tool's shortcut), unless another tool already
    // uses it: then nothing is stored and the conflict alert's texts are answered.
    static std::optional<Conflict> apply(Cfg& cfg, ToolKind tool, const QString& typed);
};

} // namespace mebo
