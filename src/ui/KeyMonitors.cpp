#include "ui/KeyMonitors.h"

#include "app/AppLogger.h"
#include "ui/TextInputFocus.h"

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWindow>

namespace mebo {

namespace {

bool hasSelection(QWidget* input) {
    if (auto* line = qobject_cast<QLineEdit*>(input)) {
        return line->hasSelectedText();
    }
    if (auto* text = qobject_cast<QTextEdit*>(input)) {
        return text->textCursor().hasSelection();
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(input)) {
        return plain->textCursor().hasSelection();
    }
    return false;
}

bool anyFilePanelVisible() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && qobject_cast<QFileDialog*>(w)) {
            return true;
        }
    }
    return false;
}

} // namespace

KeyMonitors::KeyMonitors(ShortcutRouter& router, std::function<QWidget*()> mainWindow, QObject* parent)
    : QObject(parent), router_(router), mainWindow_(std::move(mainWindow)) {}

KeyMonitors::~KeyMonitors() {
    remove();
}

void KeyMonitors::install() {
    if (installed_) {
        return;
    }
    qApp->installEventFilter(this);
    installed_ = true;
    if (!loggedInstall_) {
        loggedInstall_ = true;
        logInfo(QStringLiteral("[Cmd+S] app 層快捷鍵監聽已安裝"));
        logInfo(QStringLiteral("[Cmd+C] app-level monitor installed"));
        logInfo(QStringLiteral("[Cmd+V] app-level monitor installed"));
    }
}

void KeyMonitors::remove() {
    if (installed_ && qApp) {
        qApp->removeEventFilter(this);
    }
    installed_ = false;
}

ShortcutScene KeyMonitors::sceneFor(QObject* receiver) const {
    ShortcutScene s;
    QWidget* main = mainWindow_ ? mainWindow_() : nullptr;
    QWidget* widget = qobject_cast<QWidget*>(receiver);
    QWidget* window = widget ? widget->window() : nullptr;
    if (!window && qobject_cast<QWindow*>(receiver)) {
        window = QApplication::activeWindow(); // a widget window's own key events
    }
    s.eventHasWindow = receiver != nullptr;
    if (!window) {
        window = QApplication::activeWindow();
    }
    s.filePanelVisible = anyFilePanelVisible();
    if (window) {
        s.window = window == main                       ? ShortcutScene::Window::main
                   : qobject_cast<QFileDialog*>(window) ? ShortcutScene::Window::filePanel
                                                        : ShortcutScene::Window::other;
        s.windowVisible = window->isVisible();
        s.windowClass = QString::fromLatin1(window->metaObject()->className());
    }
    s.mainWindowExists = main != nullptr;
    s.mainWindowVisible = main && main->isVisible();
    s.mainWindowIsKey = main && QApplication::activeWindow() == main;
    QWidget* focus = QApplication::focusWidget();
    s.focusInMainWindow = main && focus && focus->window() == main;
    if (focus) {
        s.responderClass = QString::fromLatin1(focus->metaObject()->className());
    }
    if (QWidget* input = TextInputFocus::inputOf(focus)) {
        s.textFocused = true;
        s.textHasSelection = hasSelection(input);
        QPointer<QWidget> target(input);
        s.copyText = [target] {
            if (target) {
                QMetaObject::invokeMethod(target, "copy");
            }
        };
        s.pasteText = [target] {
            if (target) {
                QMetaObject::invokeMethod(target, "paste");
            }
        };
    }
    return s;
}

bool KeyMonitors::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress && swallowKey_ != 0) {
        const bool same = key->key() == swallowKey_;
        swallowKey_ = 0;
        return same;
    }
    // Shortcuts are matched before the key press is delivered; the override query comes first,
    // so that is where the monitors act.
    if (type != QEvent::ShortcutOverride) {
        return false;
    }
    const ShortcutRouter::KeyPress press{key->key(), key->text(), key->modifiers()};
    if (!ShortcutRouter::matchesSave(press) && !ShortcutRouter::matchesCopy(press) &&
        !ShortcutRouter::matchesPaste(press)) {
        return false;
    }
    if (!router_.keyPressed(press, sceneFor(watched))) {
        return false;
    }
    key->accept(); // no shortcut fires; the key press that follows is swallowed
    swallowKey_ = key->key();
    return true;
}

} // namespace mebo
