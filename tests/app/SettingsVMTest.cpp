#include "app/SettingsVM.h"
#include "support/SettingsParts.h"
#include "support/TestUtil.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace mebo {
namespace {

class SettingsVMTest : public ::testing::Test, public test::SettingsParts {
protected:
    SettingsVMTest() { QDir(tmp.path()).mkpath(QStringLiteral("other")); }
    QMap<QString, QString> storedOverrides() const {
        const QJsonObject obj =
            QJsonDocument::fromJson(
                defaults.user.value(QStringLiteral("mebo.shortcutOverrides")).toByteArray())
                .object();
        QMap<QString, QString> out;
        for (auto it = obj.begin(); it != obj.end(); ++it) {
            out.insert(it.key(), it.value().toString());
        }
        return out;
    }
};

// A running prune cancelled by "unlimited" is the history store's own test, through the same
// settings store.
TEST_F(SettingsVMTest, HistoryLimitReachesTheHistoryStoreThroughTheSettingsStore) {
    QSignalSpy changed(&vm, &SettingsVM::historyMaxCountChanged);
    vm.setHistoryMaxCount(10);
    EXPECT_EQ(defaults.user.value(QStringLiteral("mebo.historyMaxCount")).toInt(), 10);
    vm.setHistoryMaxCount(10); // unchanged: no second prune
    vm.setHistoryMaxCount(-5); // never negative: unlimited, nothing left to prune
    EXPECT_EQ(vm.historyMaxCount(), 0);
    EXPECT_EQ(history.calls, (QStringList{QStringLiteral("apply 10"), QStringLiteral("clearPending")}));
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(SettingsVMTest, ShortcutConflictShowsTheAlertAndStoresNothing) {
    QSignalSpy changed(&vm, &SettingsVM::shortcutsChanged);

    EXPECT_EQ(vm.setShortcut(ToolKind::text, QStringLiteral("a")), QStringLiteral("T")); // field reverts
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_EQ(dialogs.alerts[0].title, QStringLiteral("Shortcut conflict"));
    EXPECT_EQ(dialogs.alerts[0].text, QStringLiteral("Key \"A\" is already used by Arrow."));
    EXPECT_EQ(dialogs.alerts[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_FALSE(defaults.user.contains(QStringLiteral("mebo.shortcutOverrides")));
    EXPECT_EQ(cfg.shortcutKey(ToolKind::text), QStringLiteral("T"));
    EXPECT_EQ(changed.count(), 0);

    // Retyping a tool's own key is no conflict and no change.
    EXPECT_EQ(vm.setShortcut(ToolKind::arrow, QStringLiteral("a")), QStringLiteral("A"));
    EXPECT_EQ(dialogs.alerts.size(), 1);
    EXPECT_FALSE(defaults.user.contains(QStringLiteral("mebo.shortcutOverrides")));

    // A free key is normalised and stored under the tool's raw value.
    EXPECT_EQ(vm.setShortcut(ToolKind::text, QStringLiteral(" x?")), QStringLiteral("X"));
    EXPECT_EQ(storedOverrides(), (QMap<QString, QString>{{QStringLiteral("text"), QStringLiteral("X")}}));
    EXPECT_EQ(cfg.tool(QStringLiteral("X")), ToolKind::text);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(SettingsVMTest, EmptyKeyDisablesTheToolAndFreesItsKey) {
    EXPECT_EQ(vm.setShortcut(ToolKind::text, QString()), QString());
    EXPECT_EQ(storedOverrides(), (QMap<QString, QString>{{QStringLiteral("text"), QString()}}));
    EXPECT_EQ(vm.shortcutText(ToolKind::text), QString());

    // The first letter or digit is kept; typing only punctuation also empties the field.
    EXPECT_EQ(vm.setShortcut(ToolKind::pen, QStringLiteral("  -7b")), QStringLiteral("7"));
    EXPECT_EQ(vm.setShortcut(ToolKind::pen, QStringLiteral("#")), QString());
    EXPECT_EQ(cfg.shortcutKey(ToolKind::pen), std::nullopt);
    // The freed key is now free for another tool.
    EXPECT_EQ(vm.setShortcut(ToolKind::line, QStringLiteral("t")), QStringLiteral("T"));
    EXPECT_TRUE(dialogs.alerts.isEmpty());
}

TEST_F(SettingsVMTest, LogsAreCountedListedNewestFirstCopiedAndCleared) {
    test::drainEvents();
    vm.clearLogs(); // the settings store's start-up line
    QSignalSpy changed(&vm, &SettingsVM::logsChanged);
    EXPECT_EQ(vm.logsTitle(), QStringLiteral("Execution Logs (0)"));
    EXPECT_EQ(vm.emptyLogsText(),
              QStringLiteral("No logs yet. Logs are recorded automatically during operations."));
    EXPECT_TRUE(vm.copyAllLogs());
    ASSERT_TRUE(clipboard.formats.contains(QStringLiteral("text/plain")));
    EXPECT_TRUE(clipboard.formats.value(QStringLiteral("text/plain")).isEmpty()); // empty list: empty text

    logInfo(QStringLiteral("[Test] first"));
    logWarning(QStringLiteral("[Test] second"));
    logError(QStringLiteral("[Test] third"));
    ASSERT_TRUE(test::waitUntil([&] { return vm.logCount() == 3; }));
    EXPECT_GE(changed.count(), 3);
    EXPECT_EQ(vm.logsTitle(), QStringLiteral("Execution Logs (3)"));
    const QList<LogEntry> entries = vm.logEntries();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].msg, QStringLiteral("[Test] third"));
    EXPECT_EQ(entries[0].level, LogLevel::error);
    EXPECT_EQ(entries[2].msg, QStringLiteral("[Test] first"));

    EXPECT_TRUE(vm.copyAllLogs());
    const QString copied = QString::fromUtf8(clipboard.formats.value(QStringLiteral("text/plain")));
    const QStringList lines = copied.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" [Test] third"))); // the line's form is the logger's test

    vm.clearLogs();
    EXPECT_EQ(vm.logCount(), 0);
}

TEST_F(SettingsVMTest, AppearanceChangeRunsTheSettingsStoresApplier) {
    QList<AppearanceMode> applied;
    cfg.setAppearanceApplier([&](AppearanceMode m) {
        // Stored before the side effect runs.
        EXPECT_EQ(defaults.user.value(QStringLiteral("mebo.appearanceMode")).toString(),
                  appearanceModeRawValue(m));
        applied << m;
    });
    QSignalSpy changed(&vm, &SettingsVM::appearanceModeChanged);

    vm.setAppearanceMode(AppearanceMode::dark);
    vm.setAppearanceMode(AppearanceMode::dark); // same mode: applied once
    vm.setAppearanceMode(AppearanceMode::system);
    EXPECT_EQ(applied, (QList<AppearanceMode>{AppearanceMode::dark, AppearanceMode::system}));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(Cfg(defaults).appearanceMode(), AppearanceMode::system);
}

} // namespace
} // namespace mebo
