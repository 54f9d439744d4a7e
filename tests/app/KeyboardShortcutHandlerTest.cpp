#include "app/KeyboardShortcutHandler.h"
#include "app/Cfg.h"
#include "support/TestUtil.h"

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
    // A letter beyond A to Z is its own text, not the key code's.
    EXPECT_EQ(KeyboardShortcutHandler::shortcutText(Qt::Key_Odiaeresis, QStringLiteral("ö")),
              QStringLiteral("ö"));
}

} // namespace
} // namespace mebo
