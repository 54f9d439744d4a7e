#include "app/ShortcutRouter.h"
#include "support/Fakes.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

namespace mebo {
namespace {

using Key = ShortcutRouter::KeyPress;
Key ctrl(Qt::Key k, const char* text, Qt::KeyboardModifiers extra = {}) {
    return Key{k, QString::fromLatin1(text), Qt::ControlModifier | extra};
}

// The main window is up, active and holds the focus (the most common moment).
ShortcutScene mainWindowScene() {
    ShortcutScene s;
    s.window = ShortcutScene::Window::main;
    s.windowVisible = true;
    s.mainWindowExists = true;
    s.mainWindowVisible = true;
    s.mainWindowIsKey = true;
    s.focusInMainWindow = true;
    s.windowClass = QStringLiteral("mebo::MainWindow");
    s.responderClass = QStringLiteral("QScrollArea");
    return s;
}

// Another window of ours (the settings window) is active.
ShortcutScene otherWindowScene() {
    ShortcutScene s = mainWindowScene();
    s.window = ShortcutScene::Window::other;
    s.mainWindowIsKey = false;
    s.focusInMainWindow = false;
    s.windowClass = QStringLiteral("mebo::SettingsWindow");
    return s;
}

class ShortcutRouterTest : public ::testing::Test {
protected:
    test::LogCapture log;
    test::FakeMediaTarget target;
    ShortcutRouter router{target};
};

TEST_F(ShortcutRouterTest, KeysMatchOnlyWithControlAlone) {
    EXPECT_TRUE(ShortcutRouter::matchesSave(ctrl(Qt::Key_S, "\x13")));
    EXPECT_TRUE(ShortcutRouter::matchesSave(ctrl(Qt::Key_S, "S", Qt::ShiftModifier)));
    EXPECT_FALSE(ShortcutRouter::matchesSave(ctrl(Qt::Key_S, "s", Qt::AltModifier)));
    EXPECT_FALSE(ShortcutRouter::matchesSave(Key{Qt::Key_S, QStringLiteral("s"), Qt::NoModifier}));
    // Another layout: the key code differs, the character does not.
    EXPECT_TRUE(ShortcutRouter::matchesCopy(Key{Qt::Key_unknown, QStringLiteral("C"), Qt::ControlModifier}));
    EXPECT_FALSE(ShortcutRouter::matchesCopy(ctrl(Qt::Key_C, "c", Qt::ShiftModifier)));
    EXPECT_FALSE(ShortcutRouter::matchesPaste(ctrl(Qt::Key_V, "v", Qt::MetaModifier)));
    EXPECT_FALSE(ShortcutRouter::matchesPaste(ctrl(Qt::Key_V, "V", Qt::ShiftModifier)));
    EXPECT_TRUE(ShortcutRouter::matchesPaste(ctrl(Qt::Key_V, "\x16")));
}

TEST_F(ShortcutRouterTest, TargetTestsFollowTheirSteps) {
    ShortcutScene s = mainWindowScene();
    EXPECT_TRUE(ShortcutRouter::saveTargetHolds(s));
    s.filePanelVisible = true;
    EXPECT_FALSE(ShortcutRouter::saveTargetHolds(s));
    EXPECT_TRUE(ShortcutRouter::copyTargetHolds(s)); // copy skips the file-panel step

    s = otherWindowScene();
    EXPECT_FALSE(ShortcutRouter::saveTargetHolds(s)); // the main window is not the key window
    EXPECT_TRUE(ShortcutRouter::copyTargetHolds(s));
    EXPECT_FALSE(ShortcutRouter::pasteTargetHolds(s)); // focus neither in it nor in text
    s.textFocused = true;
    EXPECT_TRUE(ShortcutRouter::pasteTargetHolds(s));

    s = mainWindowScene();
    s.window = ShortcutScene::Window::filePanel;
    EXPECT_FALSE(ShortcutRouter::copyTargetHolds(s));
    s = mainWindowScene();
    s.windowVisible = false;
    EXPECT_FALSE(ShortcutRouter::copyTargetHolds(s));
    s = mainWindowScene();
    s.mainWindowVisible = false;
    EXPECT_FALSE(ShortcutRouter::saveTargetHolds(s));
    EXPECT_TRUE(ShortcutRouter::copyTargetHolds(s));
    EXPECT_FALSE(ShortcutRouter::pasteTargetHolds(s));

    // No window, main window up: every key applies.
    s = ShortcutScene{};
    s.eventHasWindow = false;
    s.mainWindowExists = s.mainWindowVisible = true;
    EXPECT_TRUE(ShortcutRouter::saveTargetHolds(s));
    EXPECT_TRUE(ShortcutRouter::copyTargetHolds(s));
    s.window = ShortcutScene::Window::none;
    s.mainWindowVisible = false;
    EXPECT_FALSE(ShortcutRouter::copyTargetHolds(s));
}

TEST_F(ShortcutRouterTest, SaveAndSaveAsAreConsumedAndNothingToSavePassesTheKeyOn) {
    EXPECT_TRUE(router.keyPressed(ctrl(Qt::Key_S, "s"), mainWindowScene()));
    EXPECT_TRUE(router.keyPressed(ctrl(Qt::Key_S, "S", Qt::ShiftModifier), mainWindowScene()));
    EXPECT_EQ(target.calls, (QStringList{"save", "saveAs"}));
    EXPECT_TRUE(log.contains(QStringLiteral("[Cmd+S] monitor 已保存目前編輯")));
    EXPECT_TRUE(log.contains(QStringLiteral("[Cmd+S] monitor 另存目前條目 (Save As = Move)")));

    target.media = false;
    target.calls.clear();
    EXPECT_FALSE(router.keyPressed(ctrl(Qt::Key_S, "s"), mainWindowScene()));
    EXPECT_TRUE(target.calls.isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral(
        "[Cmd+S] 監聽到保存快捷鍵但找不到目標 win=mebo::MainWindow firstResponder=QScrollArea")));

    // Where the target test fails the key passes on silently.
    target.media = true;
    const int warnings = log.messages().size();
    EXPECT_FALSE(router.keyPressed(ctrl(Qt::Key_S, "s"), otherWindowScene()));
    EXPECT_EQ(log.messages().size(), warnings);
    EXPECT_TRUE(router.saveFromMenu(false));
    EXPECT_TRUE(log.contains(QStringLiteral("[Cmd+S] menu 已保存目前編輯")));
}

TEST_F(ShortcutRouterTest, CopyTriesTheMainWindowFirstThenSelectedTextThenTheFallback) {
    int textCopies = 0;
    ShortcutScene s = mainWindowScene();
    s.textFocused = s.textHasSelection = true;
    s.copyText = [&] { ++textCopies; };
    // A text selection inside the active main window: the media is copied, not the text.
    EXPECT_TRUE(router.keyPressed(ctrl(Qt::Key_C, "c"), s));
    EXPECT_EQ(textCopies, 0);
    EXPECT_TRUE(log.contains(QStringLiteral("[Cmd+C] monitor copied current media (main-window context)")));

    s = otherWindowScene();
    s.textFocused = s.textHasSelection = true;
    s.copyText = [&] { ++textCopies; };
    EXPECT_TRUE(router.keyPressed(ctrl(Qt::Key_C, "c"), s));
    EXPECT_EQ(textCopies, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("[Cmd+C] monitor copied selected text")));

    s.textHasSelection = false;
    target.calls.clear();
    EXPECT_TRUE(router.keyPressed(ctrl(Qt::Key_C, "c"), s));
    EXPECT_EQ(target.calls, QStringList{"copy"});
    EXPECT_TRUE(log.contains(QStringLiteral("[Cmd+C] monitor copied current media (fallback)")));

    target.media = false;
    EXPECT_TRUE(router.keyPressed(ctrl(Qt::Key_C, "c"), s)); // consumed even when nothing was copied
    EXPECT_TRUE(log.contains(QStringLiteral(
        "[Cmd+C] monitor consumed but nothing copied win=mebo::SettingsWindow firstResponder=QScrollArea")));
    EXPECT_FALSE(router.copyFromMenu(s));
    EXPECT_TRUE(log.contains(QStringLiteral("[Cmd+C] menu 無可複製媒體, 無 first responder 文字場景")));
}

TEST_F(ShortcutRouterTest, PasteGoesToFocusedTextElseTheCanvas) {
    int textPastes = 0;
    ShortcutScene s = mainWindowScene();
    s.textFocused = true;
    s.pasteText = [&] { ++textPastes; };
    EXPECT_TRUE(router.keyPressed(ctrl(Qt::Key_V, "v"), s));
    EXPECT_EQ(textPastes, 1);
    EXPECT_TRUE(target.calls.isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("[Cmd+V] monitor pasted into focused text")));

    EXPECT_TRUE(router.keyPressed(ctrl(Qt::Key_V, "v"), mainWindowScene()));
    EXPECT_EQ(target.calls, QStringList{"paste"});
    EXPECT_TRUE(log.contains(QStringLiteral("[Cmd+V] monitor pasted image into current canvas")));

    target.canvasTakesImage = false;
    EXPECT_FALSE(router.keyPressed(ctrl(Qt::Key_V, "v"), mainWindowScene())); // passed on
    EXPECT_TRUE(log.contains(QStringLiteral(
        "[Cmd+V] monitor saw paste but no image target win=mebo::MainWindow firstResponder=QScrollArea")));
    EXPECT_FALSE(router.pasteFromMenu(mainWindowScene()));
    EXPECT_TRUE(log.contains(QStringLiteral("[Cmd+V] menu 無可貼入圖片或文字場景")));
}

} // namespace
} // namespace mebo
