#include "app/KeyboardShortcutHandler.h"
#include "app/Cfg.h"
#include "support/TestUtil.h"

#include <QKeySequence>
#include <gtest/gtest.h>

namespace mebo {
namespace {

TEST(KeyboardShortcutHandler, LettersPickToolsButNeverWhileTypingOrWithCommandKeys) {
    test::FakeDefaultsStore store;
    Cfg cfg(store);
    cfg.setShortcutOverrides(
        {{QStringLiteral("text"), QString()}, {QStringLiteral("pen"), QStringLiteral("Q")}});
    KeyboardShortcutHandler handler;
    std::optional<ToolKind> picked;
    handler.setToolShortcuts(cfg, [&](ToolKind t) { picked = t; });

    EXPECT_TRUE(handler.handleKeyPress(QStringLiteral("A"), Qt::ShiftModifier, false)); // compared lowercased
    EXPECT_EQ(picked, ToolKind::arrow);
    EXPECT_TRUE(handler.handleKeyPress(QStringLiteral("q"), Qt::NoModifier, false));
    EXPECT_EQ(picked, ToolKind::pen);
    picked.reset();
    EXPECT_FALSE(handler.handleKeyPress(QStringLiteral("t"), Qt::NoModifier, false)); // disabled
    EXPECT_FALSE(handler.handleKeyPress(QStringLiteral("p"), Qt::NoModifier, false)); // moved to Q
    EXPECT_FALSE(handler.handleKeyPress(QStringLiteral("a"), Qt::ControlModifier, false));
    EXPECT_FALSE(handler.handleKeyPress(QStringLiteral("a"), Qt::AltModifier, false));
    EXPECT_FALSE(handler.handleKeyPress(QStringLiteral("a"), Qt::NoModifier, true)); // typing
    EXPECT_FALSE(handler.handleKeyPress(QString(), Qt::NoModifier, false));
    EXPECT_FALSE(picked.has_value());
}

// Only letter and digit keys reach the shortcuts: the names of other keys ("Right", "Escape",
// "F1") begin with letters too and must not pick tools.
TEST(KeyboardShortcutHandler, OnlyLetterAndDigitKeysOfferACharacter) {
    const struct {
        int key;
        const char* text;
        const char* expected;
    } cases[] = {
        {Qt::Key_A, "a", "a"},     {Qt::Key_A, "A", "A"},        {Qt::Key_R, "", "R"},
        {Qt::Key_7, "7", "7"},     {Qt::Key_Right, "", ""},      {Qt::Key_Left, "", ""},
        {Qt::Key_Up, "", ""},      {Qt::Key_Escape, "\x1b", ""}, {Qt::Key_Tab, "\t", ""},
        {Qt::Key_Home, "", ""},    {Qt::Key_Return, "\r", ""},   {Qt::Key_PageDown, "", ""},
        {Qt::Key_F1, "", ""},      {Qt::Key_Delete, "\x7f", ""}, {Qt::Key_Space, " ", ""},
        {Qt::Key_Backtab, "", ""}, {Qt::Key_Comma, ",", ""},
    };
    test::FakeDefaultsStore store;
    Cfg cfg(store);
    KeyboardShortcutHandler handler;
    int picks = 0;
    handler.setToolShortcuts(cfg, [&](ToolKind) { ++picks; });
    for (const auto& c : cases) {
        const QString text = KeyboardShortcutHandler::shortcutText(c.key, QString::fromLatin1(c.text));
        EXPECT_EQ(text, QString::fromLatin1(c.expected)) << QKeySequence(c.key).toString().toStdString();
        handler.handleKeyPress(text, Qt::NoModifier, false);
    }
    EXPECT_EQ(picks, 3); // a, A and R; 7 is no tool's key
}

} // namespace
} // namespace mebo
