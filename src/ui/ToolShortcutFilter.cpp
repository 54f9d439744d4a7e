#include "ui/ToolShortcutFilter.h"

#include "app/KeyboardShortcutHandler.h"
#include "ui/TextInputFocus.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

namespace mebo {

ToolShortcutFilter::ToolShortcutFilter(KeyboardShortcutHandler& handler, QObject* parent)
    : QObject(parent), handler_(handler) {}

ToolShortcutFilter::~ToolShortcutFilter() {
    remove();
}

void ToolShortcutFilter::install() {
    remove();
    qApp->installEventFilter(this);
    installed_ = true;
}

void ToolShortcutFilter::remove() {
    if (installed_ && qApp) {
        qApp->removeEventFilter(this);
    }
    installed_ = false;
}

bool ToolShortcutFilter::typingFocused() {
    if (QApplication::activePopupWidget()) {
        return true; // an open menu, combo list or popover
    }
    QWidget* focus = QApplication::focusWidget();
    return qobject_cast<QMenu*>(focus) || TextInputFocus::inputOf(focus);
}

bool ToolShortcutFilter::eventFilter(QObject* watched, QEvent* event) {
    // Key presses reach the window first and then its focus widget: act on the first delivery.
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat()) {
        return false;
    }
    // The key's character: Shift+A is "A", compared lowercased; keys without one pass on.
    const QString text = KeyboardShortcutHandler::shortcutText(key->key(), key->text());
    return handler_.handleKeyPress(text, key->modifiers(), typingFocused());
}

} // namespace mebo
