#include "services/UpdateGuard.h"
#include "services/RelaunchWindows.h"
#include "services/ServiceFixtures.h"
#include "services/UpdateInstaller.h"
#include "support/TestUtil.h"

#include <csignal>
#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

// An install swapped to 0.2.0 with 0.1.0 waiting in the staging folder, as the updater leaves it.
class Guard : public ::testing::Test {
protected:
    void install(const QString& newBody) {
        record = dir.filePath("record");
        makeInstallTree(dir.path(), "0.2.0", programScript("0.2.0", newBody));
        QDir().rename(dir.filePath("mebo-0.2.0"), dir.filePath("mebo"));
        makeInstallTree(
            dir.filePath("staging"), "0.1.0",
            programScript("0.1.0",
                          QStringLiteral("echo \"old $MEBO_UPDATE_ROLLED_BACK|$MEBO_RESTORE_WINDOWS\" "
                                         "> '%1'")
                              .arg(record)));
        QDir().rename(dir.filePath("staging/mebo-0.1.0"),
                      UpdateInstaller::previousTree(dir.filePath("staging")));
        plan.root = dir.filePath("mebo");
        plan.stagingDir = dir.filePath("staging");
        plan.waitPid = 0;
        plan.newVersion = "0.2.0";
        plan.oldVersion = "0.1.0";
        plan.windowState = "main,settings:2";
        plan.relaunchArguments = {"--background"};
    }
    void TearDown() override {
        const qint64 pid = fileBytes(dir.filePath("pid")).trimmed().toLongLong();
        if (pid > 0) {
            ::kill(pid_t(pid), SIGKILL);
        }
    }

    QTemporaryDir dir;
    QString record;
    UpdateGuard::Plan plan;
};

TEST_F(Guard, PutsTheOldVersionBackWhenTheNewOneNeverReports) {
    install(QStringLiteral("echo $$ > '%1'; sleep 30").arg(dir.filePath("pid")));
    plan.startTimeoutMs = 600;
    EXPECT_EQ(UpdateGuard::run(plan), 1);
    EXPECT_TRUE(fileBytes(plan.root + "/bin/mebo").contains("mebo 0.1.0"));
    ASSERT_TRUE(waitUntil([&] { return !fileBytes(record).isEmpty(); }, 10000));
    // The silent new instance was stopped.
    const pid_t pid = pid_t(fileBytes(dir.filePath("pid")).trimmed().toLongLong());
    EXPECT_TRUE(waitUntil([&] { return ::kill(pid, 0) != 0; }, 5000));
}

TEST(RelaunchWindows, EncodeAndDecode) {
    EXPECT_EQ((RelaunchWindows{true, 3}.encode()), "main,settings:3");
    EXPECT_EQ((RelaunchWindows{false, std::nullopt}.encode()), "");
    const RelaunchWindows w = RelaunchWindows::decode("settings:5,main,junk,settings:-1");
    EXPECT_TRUE(w.mainWindow);
    EXPECT_EQ(w.settingsTab, 5);
    qputenv(UpdateGuard::windowsVariable, "main");
    EXPECT_TRUE(RelaunchWindows::takeFromEnvironment()->mainWindow);
    EXPECT_FALSE(RelaunchWindows::takeFromEnvironment());
}

} // namespace
