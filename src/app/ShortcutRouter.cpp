#include "app/ShortcutRouter.h"

#include "app/AppLogger.h"
#include "app/MediaCommandTarget.h"

namespace mebo {

namespace {

const QString kMonitor = QStringLiteral("monitor");
const QString kMenu = QStringLiteral("menu");

QString orNil(const QString& s) {
    return s.isEmpty() ? QStringLiteral("nil") : s;
}

bool ctrlOnly(Qt::KeyboardModifiers m, bool ignoreShift) {
    if (ignoreShift) {
        m &= ~Qt::ShiftModifier;
    }
    m &= ~Qt::KeypadModifier;
    return m == Qt::ControlModifier;
}

bool isKey(const ShortcutRouter::KeyPress& k, Qt::Key key, QChar letter) {
    return k.key == key || k.text.toLower() == QString(letter);
}

// Steps 2 and 3: an event without a window counts when the main window is up; otherwise the
// window must be a visible window of ours that is not a file dialog.
std::optional<bool> windowSteps(const ShortcutScene& s) {
    if (!s.eventHasWindow && s.mainWindowVisible) {
        return true;
    }
    if (s.window == ShortcutScene::Window::none || s.window == ShortcutScene::Window::filePanel ||
        !s.windowVisible) {
        return false;
    }
    return std::nullopt; // passed; the caller decides what follows
}

} // namespace

bool ShortcutRouter::matchesSave(const KeyPress& key) {
    return ctrlOnly(key.modifiers, true) && isKey(key, Qt::Key_S, QLatin1Char('s'));
}

bool ShortcutRouter::matchesCopy(const KeyPress& key) {
    return ctrlOnly(key.modifiers, false) && isKey(key, Qt::Key_C, QLatin1Char('c'));
}

bool ShortcutRouter::matchesPaste(const KeyPress& key) {
    return ctrlOnly(key.modifiers, false) && isKey(key, Qt::Key_V, QLatin1Char('v'));
}

bool ShortcutRouter::saveTargetHolds(const ShortcutScene& s) {
    if (s.filePanelVisible) {
        return false;
    }
    if (const auto early = windowSteps(s)) {
        return *early;
    }
    if (!s.mainWindowExists || !s.mainWindowVisible) {
        return false;
    }
    return s.window == ShortcutScene::Window::main || s.mainWindowIsKey;
}

bool ShortcutRouter::copyTargetHolds(const ShortcutScene& s) {
    return windowSteps(s).value_or(true);
}

bool ShortcutRouter::pasteTargetHolds(const ShortcutScene& s) {
    if (!windowSteps(s).value_or(true)) {
        return false;
    }
    return s.mainWindowVisible && (s.focusInMainWindow || s.textFocused);
}

bool ShortcutRouter::keyPressed(const KeyPress& key, const ShortcutScene& scene) {
    if (matchesSave(key)) {
        return saveKey(key, scene);
    }
    if (matchesCopy(key)) {
        return copyKey(key, scene);
    }
    if (matchesPaste(key)) {
        return pasteKey(key, scene);
    }
    return false;
}

bool ShortcutRouter::saveKey(const KeyPress& key, const ShortcutScene& scene) {
    if (!matchesSave(key) || !saveTargetHolds(scene)) {
        return false;
    }
    if (save(kMonitor, key.modifiers.testFlag(Qt::ShiftModifier))) {
        return true;
    }
    logWarning(QStringLiteral("[Cmd+S] 監聽到保存快捷鍵但找不到目標 win=") + orNil(scene.windowClass) +
               QStringLiteral(" firstResponder=") + orNil(scene.responderClass));
    return false;
}

bool ShortcutRouter::saveFromMenu(bool saveAs) {
    return save(kMenu, saveAs);
}

bool ShortcutRouter::save(const QString& source, bool saveAs) {
    if (!target_.showsMedia()) {
        return false;
    }
    if (saveAs) {
        target_.saveAs();
        logInfo(QStringLiteral("[Cmd+S] ") + source + QStringLiteral(" 另存目前條目 (Save As = Move)"));
    } else {
        target_.save();
        logInfo(QStringLiteral("[Cmd+S] ") + source + QStringLiteral(" 已保存目前編輯"));
    }
    return true;
}

bool ShortcutRouter::copyKey(const KeyPress& key, const ShortcutScene& scene) {
    if (!matchesCopy(key) || !copyTargetHolds(scene)) {
        return false;
    }
    if (!copy(kMonitor, scene)) {
        logWarning(QStringLiteral("[Cmd+C] monitor consumed but nothing copied win=") +
                   orNil(scene.windowClass) + QStringLiteral(" firstResponder=") +
                   orNil(scene.responderClass));
    }
    return true; // consumed either way: a copy key must not fall through to another window
}

bool ShortcutRouter::copyFromMenu(const ShortcutScene& scene) {
    if (copy(kMenu, scene)) {
        return true;
    }
    logWarning(QStringLiteral("[Cmd+C] menu 無可複製媒體, 無 first responder 文字場景"));
    return false;
}

bool ShortcutRouter::copy(const QString& source, const ShortcutScene& scene) {
    const bool mainContext = scene.mainWindowIsKey || scene.window == ShortcutScene::Window::main;
    if (mainContext && target_.copyCurrentMedia()) {
        logInfo(QStringLiteral("[Cmd+C] ") + source +
                QStringLiteral(" copied current media (main-window context)"));
        return true;
    }
    if (scene.textFocused && scene.textHasSelection && scene.copyText) {
        scene.copyText();
        logInfo(QStringLiteral("[Cmd+C] ") + source + QStringLiteral(" copied selected text"));
        return true;
    }
    if (!mainContext && target_.copyCurrentMedia()) {
        logInfo(QStringLiteral("[Cmd+C] ") + source + QStringLiteral(" copied current media (fallback)"));
        return true;
    }
    return false;
}

bool ShortcutRouter::pasteKey(const KeyPress& key, const ShortcutScene& scene) {
    if (!matchesPaste(key) || !pasteTargetHolds(scene)) {
        return false;
    }
    if (paste(kMonitor, scene)) {
        return true;
    }
    logWarning(QStringLiteral("[Cmd+V] monitor saw paste but no image target win=") +
               orNil(scene.windowClass) + QStringLiteral(" firstResponder=") + orNil(scene.responderClass));
    return false;
}

bool ShortcutRouter::pasteFromMenu(const ShortcutScene& scene) {
    if (paste(kMenu, scene)) {
        return true;
    }
    logWarning(QStringLiteral("[Cmd+V] menu 無可貼入圖片或文字場景"));
    return false;
}

bool ShortcutRouter::paste(const QString& source, const ShortcutScene& scene) {
    if (scene.textFocused && scene.pasteText) {
        scene.pasteText();
        logInfo(QStringLiteral("[Cmd+V] ") + source + QStringLiteral(" pasted into focused text"));
        return true;
    }
    const bool mainContext = scene.mainWindowIsKey || scene.window == ShortcutScene::Window::main ||
                             (!scene.eventHasWindow && scene.mainWindowVisible);
    if (mainContext && target_.pasteImageIntoCanvas()) {
        logInfo(QStringLiteral("[Cmd+V] ") + source + QStringLiteral(" pasted image into current canvas"));
        return true;
    }
    return false;
}

} // namespace mebo
