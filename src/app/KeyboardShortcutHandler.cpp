#include "app/KeyboardShortcutHandler.h"

#include "app/Cfg.h"

namespace mebo {

void KeyboardShortcutHandler::setToolShortcuts(const Cfg& cfg, const std::function<void(ToolKind)>& select) {
    QHash<QChar, Action> map;
    for (ToolKind tool : allToolKinds()) {
        const std::optional<QString> key = cfg.shortcutKey(tool);
        if (key && !key->isEmpty()) {
            const QChar c = key->toLower().at(0);
            if (!map.contains(c)) {
                map.insert(c, [select, tool] { select(tool); });
            }
        }
    }
    shortcuts_ = std::move(map);
}

bool KeyboardShortcutHandler::handleKeyPress(const QString& text, Qt::KeyboardModifiers modifiers,
                                             bool typingFocused) const {
    if (typingFocused || (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) ||
        text.isEmpty() || !text.at(0).isLetterOrNumber()) {
        return false; // Shift is allowed: "A" selects the arrow tool as "a" does
    }
    const auto it = shortcuts_.constFind(text.toLower().at(0));
    if (it == shortcuts_.constEnd()) {
        return false;
    }
    it.value()();
    return true;
}

QString KeyboardShortcutHandler::shortcutText(int key, const QString& text) {
    if (text.size() == 1 && text.at(0).isLetterOrNumber()) {
        return text;
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        return QString(QChar(key));
    }
    return {};
}

QString ShortcutEditor::normalise(const QString& typed) {
    for (const QChar c : typed) {
        if (c.isLetterOrNumber()) {
            return QString(c).toUpper();
        }
    }
    return {};
}

std::optional<ShortcutEditor::Conflict> ShortcutEditor::apply(Cfg& cfg, ToolKind tool, const QString& typed) {
    const QString key = normalise(typed);
    if (!key.isEmpty()) {
        const std::optional<ToolKind> owner = cfg.tool(key);
        if (owner && *owner != tool) {
            return Conflict{
                QStringLiteral("Shortcut conflict"),
                QStringLiteral("Key \"%1\" is already used by %2.").arg(key, toolKindDisplayName(*owner))};
        }
    }
    QMap<QString, QString> overrides = cfg.shortcutOverrides();
    overrides.insert(toolKindRawValue(tool), key);
    cfg.setShortcutOverrides(overrides);
    return std::nullopt;
}

} // namespace mebo
