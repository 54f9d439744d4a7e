#include "app/LaunchAtLogin.h"
#include "support/Files.h"
#include "support/TestUtil.h"

#include "support/Process.h"
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace mebo {
namespace {

// The keys of a desktop file as key -> raw value; empty unless it starts with its [Desktop Entry]
// group (the form as a whole is the desktop's validator's test).
QMap<QString, QString> readEntry(const QString& path) {
    const QStringList lines = QString::fromUtf8(test::fileBytes(path)).split(QLatin1Char('\n'));
    QMap<QString, QString> keys;
    for (const QString& line : lines.mid(1)) {
        keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    return lines.first() == QLatin1String("[Desktop Entry]") ? keys : QMap<QString, QString>{};
}

class LaunchAtLoginTest : public ::testing::Test {
protected:
    QString autostart() const { return tmp.filePath(QStringLiteral("config/autostart")); }

    test::LogCapture log;
    QTemporaryDir tmp;
    LaunchAtLogin login{autostart(), QStringLiteral("/usr/local/bin/mebo")};
};

TEST_F(LaunchAtLoginTest, EnableWritesAValidEntryAndDisableRemovesIt) {
    EXPECT_FALSE(login.isEnabled());
    EXPECT_EQ(login.entryPath(), autostart() + QStringLiteral("/mebo.desktop"));

    ASSERT_TRUE(login.setEnabled(true)); // creates the missing folder too
    EXPECT_TRUE(login.isEnabled());
    const QMap<QString, QString> entry = readEntry(login.entryPath());
    ASSERT_FALSE(entry.isEmpty());
    // Its validity is the desktop's validator's test; here what starts and that it is on.
    EXPECT_EQ(entry.value(QStringLiteral("Exec")), QStringLiteral("/usr/local/bin/mebo --background"));
    EXPECT_EQ(entry.value(QStringLiteral("X-GNOME-Autostart-enabled")), QStringLiteral("true"));
    EXPECT_FALSE(entry.contains(QStringLiteral("Hidden")));
    // Written in one piece: nothing but the entry is left in the folder.
    EXPECT_EQ(QDir(autostart()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("mebo.desktop")});

    ASSERT_TRUE(login.setEnabled(true)); // again: same entry
    EXPECT_EQ(readEntry(login.entryPath()), entry);

    ASSERT_TRUE(login.setEnabled(false));
    EXPECT_FALSE(QFile::exists(login.entryPath()));
    EXPECT_FALSE(login.isEnabled());
    EXPECT_TRUE(login.setEnabled(false)); // nothing to remove is no failure
}

TEST_F(LaunchAtLoginTest, EntriesSwitchedOffInsideCountAsOff) {
    // Only the main group counts, and only the exact value.
    const std::pair<const char*, bool> entries[] = {
        {"Hidden=true\n", false},
        {"X-GNOME-Autostart-enabled=false\n", false},
        {"Hidden=false\n[Desktop Action quit]\nHidden=true\n", true}};
    for (const auto& [keys, enabled] : entries) {
        test::writeBytes(login.entryPath(),
                         QByteArray("[Desktop Entry]\nType=Application\nExec=/x\n") + keys);
        EXPECT_EQ(login.isEnabled(), enabled) << keys;
    }

    // Switching on replaces a hidden entry with a full one.
    test::writeBytes(login.entryPath(), "[Desktop Entry]\nType=Application\nExec=/x\nHidden=true\n");
    ASSERT_TRUE(login.setEnabled(true));
    EXPECT_TRUE(login.isEnabled());
    EXPECT_EQ(readEntry(login.entryPath()).value(QStringLiteral("Exec")),
              QStringLiteral("/usr/local/bin/mebo --background"));
}

TEST_F(LaunchAtLoginTest, ExecPathsAreQuotedAndEscapedTwice) {
    // Plain paths stay as they are.
    EXPECT_EQ(LaunchAtLogin::execArgument(QStringLiteral("/opt/mebo/bin/mebo")),
              QStringLiteral("/opt/mebo/bin/mebo"));
    // A space forces quotes; inside them $ gets a backslash, which the value escaping doubles;
    // % is doubled by the Exec rules.
    EXPECT_EQ(LaunchAtLogin::execArgument(QStringLiteral("/home/a b/mebo$1%u")),
              QStringLiteral("\"/home/a b/mebo\\\\$1%%u\""));
    EXPECT_EQ(LaunchAtLogin::execArgument(QStringLiteral("/x/\"q\"")),
              QStringLiteral("\"/x/\\\\\"q\\\\\"\""));
    EXPECT_EQ(LaunchAtLogin::execArgument(QStringLiteral("/x/back\\slash")),
              QStringLiteral("\"/x/back\\\\\\\\slash\""));
}

TEST_F(LaunchAtLoginTest, TheDesktopsOwnValidatorAcceptsTheEntry) {
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty()) {
        GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
    }
    LaunchAtLogin tricky(autostart(), QStringLiteral("/home/a b/it's \\\"$HOME\"/100%/mebo"));
    ASSERT_TRUE(tricky.setEnabled(true));
    const mebo::test::ProgramRun validate = mebo::test::run({validator, tricky.entryPath()}, {}, 10000);
    EXPECT_EQ(validate.exitCode, 0);
    EXPECT_EQ(validate.out + validate.err, QString()) << "no warnings either";
}

TEST_F(LaunchAtLoginTest, UnwritableFolderAnswersFalseWithALogLine) {
    // A plain file where the folder should be: neither root nor anyone can create the entry.
    test::writeBytes(autostart(), "not a folder");
    EXPECT_FALSE(login.setEnabled(true));
    EXPECT_FALSE(login.isEnabled());
    const QStringList messages = log.messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("[LaunchAtLogin] autostart 項目寫入失敗: ") +
                                            login.entryPath()))
        << messages.first().toStdString();

    // A program path that is not absolute cannot be started at login.
    LaunchAtLogin relative(tmp.filePath(QStringLiteral("other")), QStringLiteral("mebo"));
    EXPECT_FALSE(relative.setEnabled(true));
    EXPECT_FALSE(QFile::exists(relative.entryPath()));
    EXPECT_EQ(log.messages().size(), 2);
}

} // namespace
} // namespace mebo
