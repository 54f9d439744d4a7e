// The updater end to end against a local feed: check, download with progress, verification,
// install (with and without relaunch), the busy rule, timeouts and the settings throttle.
#include "services/InstallLocation.h"
#include "services/Norvik.h"
#include "services/ServiceFixtures.h"
#include "services/UpdateMgr.h"
#include "services/UpdateVM.h"
#include "support/FakeHttpServer.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

class UpdaterFlow : public ::testing::Test {
protected:
    void SetUp() override {
        guardRecord = installs.filePath(QStringLiteral("guard-args"));
        // The installed program records how it is run as the relaunch guard.
        program = makeInstallTree(
            installs.path(), QStringLiteral("0.1.0"),
            programScript(
                QStringLiteral("0.1.0"),
                QStringLiteral("[ \"$1\" = update ] && printf '%s\\n' \"$@\" > '%1'").arg(guardRecord)));
        root = QDir::cleanPath(QFileInfo(program).absolutePath() + QStringLiteral("/.."));
    }

    // Publishes `version` on the feed: its archive, signed with `keys`.
    void publish(const QString& version, const QByteArray& archive, const platform::sodium::KeyPair& keys,
                 FakeHttpServer::Response::Mode mode = FakeHttpServer::Response::Mode::normal) {
        FakeHttpServer::Response r;
        r.body = archive;
        r.mode = mode;
        r.truncateAt = archive.size() / 2;
        r.chunkBytes = 1024;
        r.chunkDelayMs = 1;
        server.route(QStringLiteral("/mebo-%1-x86_64.tar.gz").arg(version), r);
        const QString signature =
            QString::fromLatin1(platform::sodium::sign(archive, keys.secretKey).toBase64());
        server.route(QStringLiteral("/appcast.xml"), 200,
                     appcast({appcastItem(version, QStringLiteral("2"),
                                          server.url(QStringLiteral("/mebo-%1-x86_64.tar.gz").arg(version)),
                                          archive.size(), signature)}),
                     "application/xml");
    }

    void start(int timeoutMs = 30000, bool withKey = true) {
        AppcastUpdater::Host host;
        host.version = QStringLiteral("0.1.0");
        host.buildNumber = QStringLiteral("1");
        if (withKey) {
            host.publisherKey = PublisherKey::fromBase64(publisherKeyBase64());
        }
        host.location = InstallLocation::detect(program, installs.filePath(QStringLiteral("no-dpkg")));
        host.downloadDir = downloads.path();
        host.windowState = [] { return QStringLiteral("main,settings:3"); };
        host.transferTimeoutMs = timeoutMs;
        norvik =
            std::make_unique<Norvik>(defaults, signing, server.url(QStringLiteral("/appcast.xml")), host);
        norvik->setCheckTimeoutMs(timeoutMs);
        mgr = std::make_unique<UpdateMgr>(defaults, *norvik, VersionMgr([](const QString& key) {
                                              return std::optional<QString>(
                                                  key == "CFBundleVersion" ? "1" : "0.1.0");
                                          }));
        mgr->setCheckTimeoutMs(timeoutMs);
        mgr->setBusyProbe([this] { return busy; });
        mgr->setQuittingForUpdate([this](bool on) { quitting << on; });
        mgr->setTerminate([this] { ++terminated; });
        QObject::connect(mgr.get(), &UpdateMgr::changed, [this] {
            if (mgr->checkStatus().is(UpdateCheckStatus::Kind::downloading)) {
                progress << mgr->checkStatus().progress;
            }
        });
        norvik->start();
        mgr->start();
    }

    bool waitFor(UpdateCheckStatus::Kind kind, int ms = 20000) {
        return waitUntil([&] { return mgr->checkStatus().is(kind); }, ms);
    }
    QString installedProgram() const {
        return QString::fromUtf8(fileBytes(root + QStringLiteral("/bin/mebo")));
    }
    QStringList stagingLeft() const {
        return QDir(installs.path()).entryList({QStringLiteral(".mebo-update-*")}, QDir::Dirs | QDir::Hidden);
    }

    QTemporaryDir installs;
    QTemporaryDir downloads;
    FakeHttpServer server;
    FakeDefaultsStore defaults;
    std::shared_ptr<platform::SodiumCodeSigning> signing = std::make_shared<platform::SodiumCodeSigning>();
    LogCapture logs;
    std::unique_ptr<Norvik> norvik;
    std::unique_ptr<UpdateMgr> mgr;
    QString program, root, guardRecord;
    bool busy = false;
    int terminated = 0;
    QList<bool> quitting;
    QList<double> progress;
};

TEST_F(UpdaterFlow, BackgroundUpdateDownloadsInstallsAndHandsTheRelaunchToTheGuard) {
    const QByteArray archive =
        makeReleaseArchive(QStringLiteral("0.2.0"), programScript(QStringLiteral("0.2.0")));
    publish(QStringLiteral("0.2.0"), archive, publisherKeys());
    start();
    mgr->backgroundCheck();
    ASSERT_TRUE(waitUntil([&] { return terminated == 1; }, 30000))
        << logs.messages().join('\n').toStdString();

    EXPECT_TRUE(installedProgram().contains(QStringLiteral("mebo 0.2.0")));
    EXPECT_EQ(quitting, QList<bool>{true});
    // Progress climbed in steps to the whole archive.
    ASSERT_GE(progress.size(), 3);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_DOUBLE_EQ(progress.last(), 1.0);
    EXPECT_TRUE(logs.contains(QStringLiteral("[Norvik] 預期大小: %1 bytes").arg(archive.size())));
    for (const char* line :
         {"[更新] 後台檢查", "[Norvik] 發現更新: 0.2.0", "[Norvik] 自動開始下載", "[Norvik] 開始解壓",
          "[Norvik] 準備安裝", "[更新] readyToInstall — flow=auto, busy=false",
          "[更新] auto flow + 不忙 → 自動重啟升級", "[更新] 安裝並重啟", "[Norvik] installAndRelaunch",
          "[Norvik] 正在安裝...", "[Norvik] 安裝完成", "[Norvik] didFindValidUpdate: 0.2.0 (build 2)",
          "[更新] 比對 本地=0.1.0/1 遠端=0.2.0/2 → updateAvailable",
          "[更新] 比對 本地=0.1.0/1 遠端=0.2.0/2 → readyToInstall"}) {
        EXPECT_TRUE(logs.contains(QString::fromUtf8(line))) << line;
    }
    // What the guard is handed (the windows to reopen, the previous version to fall back on) is
    // walked for real by the desktop self-update tests.
    ASSERT_TRUE(waitUntil([&] { return fileBytes(guardRecord).startsWith("update\nguard\n"); }, 10000));
    EXPECT_TRUE(QDir(downloads.path()).isEmpty());
}

class ManualUpdates : public UpdaterFlow, public ::testing::WithParamInterface<bool> {};

// Installed at quit once the user asked for it, after checking that the new program starts; one that
// does not start is rolled back.
TEST_P(ManualUpdates, WaitForTheUserAndInstallAtQuitOnlyAProgramThatStarts) {
    const bool starts = GetParam();
    publish(QStringLiteral("0.2.0"),
            makeReleaseArchive("0.2.0", starts ? programScript("0.2.0") : QByteArray("#!/bin/sh\nexit 3\n")),
            publisherKeys());
    start();
    mgr->checkForUpdates();
    EXPECT_TRUE(logs.contains(QStringLiteral("[更新] 當前版本: 0.1.0 (build 1)")));
    ASSERT_TRUE(waitFor(UpdateCheckStatus::Kind::updateAvailable));
    EXPECT_FALSE(mgr->isChecking());
    EXPECT_EQ(mgr->availableVer(), QStringLiteral("0.2.0"));
    EXPECT_EQ(server.count("/mebo-0.2.0-x86_64.tar.gz"), 0); // nothing downloads before the user says so

    norvik->downloadAndInstall();
    ASSERT_TRUE(waitFor(UpdateCheckStatus::Kind::readyToInstall));
    EXPECT_TRUE(
        logs.contains(QStringLiteral("[更新] readyToInstall — flow=manual, busy=false → 等用戶手動點按鈕")));
    EXPECT_TRUE(installedProgram().contains("mebo 0.1.0"));

    norvik->tryInstallOnDeactivate();
    EXPECT_EQ(installedProgram().contains("mebo 0.2.0"), starts);
    EXPECT_EQ(mgr->checkStatus().is(UpdateCheckStatus::Kind::error), !starts);
    EXPECT_EQ(mgr->checkStatus().message.contains("does not start"), !starts);
    EXPECT_TRUE(stagingLeft().isEmpty());
    EXPECT_EQ(terminated, 0);
}

INSTANTIATE_TEST_SUITE_P(Updater, ManualUpdates, ::testing::Bool());

TEST_F(UpdaterFlow, ABusyUserSkipsTheBackgroundTickAndAReadyUpdateWaitsForThem) {
    publish(QStringLiteral("0.2.0"), makeReleaseArchive("0.2.0", programScript("0.2.0")), publisherKeys());
    start();
    busy = true;
    mgr->backgroundCheck();
    drainEvents();
    EXPECT_TRUE(logs.contains(QStringLiteral("[更新] 後台檢查跳過 — 用戶忙碌 (截屏/錄屏中)")));
    EXPECT_TRUE(mgr->checkStatus().is(UpdateCheckStatus::Kind::idle));
    EXPECT_FALSE(mgr->isChecking());
    EXPECT_EQ(server.count("/appcast.xml"), 0);

    busy = false;
    QObject::connect(mgr.get(), &UpdateMgr::changed, [this] {
        if (mgr->checkStatus().is(UpdateCheckStatus::Kind::downloading)) {
            busy = true; // a recording started while the update downloaded
        }
    });
    mgr->backgroundCheck();
    ASSERT_TRUE(waitFor(UpdateCheckStatus::Kind::readyToInstall));
    EXPECT_TRUE(
        logs.contains(QStringLiteral("[更新] readyToInstall — flow=auto, busy=true → 等用戶手動點按鈕")));
    EXPECT_EQ(terminated, 0);
    EXPECT_TRUE(installedProgram().contains("mebo 0.1.0"));
    // The user's button installs it.
    mgr->installAndRelaunch();
    EXPECT_EQ(terminated, 1);
    EXPECT_TRUE(installedProgram().contains("mebo 0.2.0"));
}

struct RefusedDownload {
    const char* name;
    bool foreignSignature;
    FakeHttpServer::Response::Mode mode;
    const char* message;
};

class RefusedDownloads : public UpdaterFlow, public ::testing::WithParamInterface<RefusedDownload> {};

TEST_P(RefusedDownloads, LeaveTheInstallAndNoFilesBehind) {
    const RefusedDownload& c = GetParam();
    publish(QStringLiteral("0.2.0"), makeReleaseArchive("0.2.0", programScript("0.2.0")),
            c.foreignSignature ? foreignKeys() : publisherKeys(), c.mode);
    start(4000);
    mgr->backgroundCheck();
    ASSERT_TRUE(waitFor(UpdateCheckStatus::Kind::error));
    EXPECT_TRUE(mgr->checkStatus().message.contains(QString::fromUtf8(c.message)))
        << mgr->checkStatus().message.toStdString();
    EXPECT_TRUE(logs.contains(QStringLiteral("[Norvik] 錯誤: ") + mgr->checkStatus().message));
    EXPECT_TRUE(installedProgram().contains("mebo 0.1.0"));
    EXPECT_TRUE(stagingLeft().isEmpty());
    EXPECT_TRUE(QDir(downloads.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_EQ(terminated, 0);
}

using Mode = FakeHttpServer::Response::Mode;
INSTANTIATE_TEST_SUITE_P(
    Updater, RefusedDownloads,
    ::testing::Values(RefusedDownload{"foreignKey", true, Mode::normal, "signature does not match"},
                      RefusedDownload{"truncated", false, Mode::truncate, "could not be downloaded"},
                      RefusedDownload{"stalled", false, Mode::neverAnswer, "could not be downloaded"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UpdaterFlow, AFeedThatNeverAnswersTimesOutAndTheNextCheckRunsAgain) {
    FakeHttpServer::Response silent;
    silent.mode = FakeHttpServer::Response::Mode::neverAnswer;
    server.route(QStringLiteral("/appcast.xml"), silent);
    start(1000);
    mgr->checkForUpdates();
    // The facade's timeout ends it (the manager's own one stops once the facade reports checking).
    ASSERT_TRUE(waitUntil([&] { return !mgr->isChecking(); }, 10000));
    EXPECT_TRUE(logs.contains(QStringLiteral("[Norvik] ❌ 檢查超時 (1s)")));
    EXPECT_EQ(mgr->checkStatus(), UpdateCheckStatus::error(QStringLiteral("檢查超時，請稍後再試")));
    // The timed-out request is dropped: a new check asks the feed again.
    server.route(QStringLiteral("/appcast.xml"), 200, appcast({}), "application/xml");
    mgr->checkForUpdates();
    ASSERT_TRUE(waitFor(UpdateCheckStatus::Kind::upToDate));
    EXPECT_EQ(server.count("/appcast.xml"), 2);
}

TEST_F(UpdaterFlow, TheSameVersionIsUpToDateAndSettingsCheckOnlyFiveMinutesAfterTheLastCheck) {
    server.route(QStringLiteral("/appcast.xml"), 200,
                 appcast({appcastItem("0.1.0", "1", server.url("/old.tar.gz"), 10, "AAAA")}),
                 "application/xml");
    start();
    mgr->checkForUpdates();
    mgr->checkForUpdates(); // ignored while the first runs
    ASSERT_TRUE(waitFor(UpdateCheckStatus::Kind::upToDate));
    EXPECT_EQ(logs.count(QStringLiteral("[更新] 手動檢查")), 1);
    EXPECT_EQ(server.count("/appcast.xml"), 1);
    EXPECT_TRUE(logs.contains(QStringLiteral("[Norvik] 已是最新版本")));
    EXPECT_TRUE(logs.contains(QStringLiteral("[更新] 比對 本地=0.1.0/1 遠端=nil/nil → upToDate")));
    const QDateTime last = *mgr->lastUpdateCheckDate();
    QDateTime now = last.addSecs(299);
    mgr->setClock([&now] { return now; });
    mgr->settingsOpened();
    EXPECT_TRUE(logs.contains(QStringLiteral("[更新] 跳過自動檢查 — 5 分鐘節流 (距上次 299s)")));
    EXPECT_FALSE(mgr->isChecking());
    now = last.addSecs(300);
    mgr->settingsOpened();
    EXPECT_TRUE(mgr->isChecking());
    EXPECT_EQ(mgr->lastCheckFlow(), UpdateMgr::CheckFlow::autoFlow);
    ASSERT_TRUE(waitFor(UpdateCheckStatus::Kind::upToDate));
    EXPECT_EQ(server.count("/appcast.xml"), 2);
}

TEST_F(UpdaterFlow, TheAutomaticCheckSwitchStopsAndRestartsTheFourHourTimer) {
    start();
    EXPECT_TRUE(mgr->autoCheckTimer().isActive());
    mgr->setDisableAutoCheck(true);
    EXPECT_FALSE(mgr->autoCheckTimer().isActive());
    EXPECT_EQ(defaults.user.value("WumoDisableAutoCheck"), QVariant(true)); // kept for the next start
    mgr->backgroundCheck();
    EXPECT_TRUE(logs.contains(QStringLiteral("[更新] 後台檢查跳過 — disableAutoCheck=true")));
    mgr->settingsOpened();
    EXPECT_TRUE(logs.contains(QStringLiteral("[更新] 跳過自動檢查 — disableAutoCheck=true")));
    mgr->setDisableAutoCheck(false);
    EXPECT_TRUE(mgr->autoCheckTimer().isActive());
}

TEST_F(UpdaterFlow, ASkippedVersionIsPassedOverByBackgroundChecksOnly) {
    publish(QStringLiteral("0.2.0"), makeReleaseArchive("0.2.0", programScript("0.2.0")), publisherKeys());
    start();
    mgr->checkForUpdates();
    ASSERT_TRUE(waitFor(UpdateCheckStatus::Kind::updateAvailable));
    norvik->skipVersion();
    EXPECT_TRUE(logs.contains(QStringLiteral("[Norvik] skip version: 0.2.0")));
    EXPECT_TRUE(mgr->checkStatus().is(UpdateCheckStatus::Kind::idle));
    mgr->backgroundCheck();
    ASSERT_TRUE(waitFor(UpdateCheckStatus::Kind::upToDate));
    mgr->checkForUpdates();
    ASSERT_TRUE(waitFor(UpdateCheckStatus::Kind::updateAvailable));
}

TEST_F(UpdaterFlow, WithoutAPublisherKeyTheUpdaterDoesNotStartAndChecksFailAtOnce) {
    start(30000, false);
    EXPECT_TRUE(
        logs.contains(QStringLiteral("[Norvik] SPUUpdater 啟動失敗: no publisher key is built in, so updates "
                                     "cannot be verified")));
    mgr->checkForUpdates();
    ASSERT_TRUE(waitFor(UpdateCheckStatus::Kind::error, 2000));
    EXPECT_FALSE(mgr->isChecking());
    EXPECT_EQ(server.count("/appcast.xml"), 0);
}

TEST_F(UpdaterFlow, FromABuildFolderAnUpdateIsOnlyAnnouncedWithItsDownloadPage) {
    writeFile(installs.filePath(QStringLiteral("CMakeCache.txt")), "# build\n");
    publish(QStringLiteral("0.2.0"), makeReleaseArchive("0.2.0", programScript("0.2.0")), publisherKeys());
    start();
    mgr->backgroundCheck();
    ASSERT_TRUE(waitFor(UpdateCheckStatus::Kind::updateAvailable));
    drainEvents();
    EXPECT_EQ(server.count("/mebo-0.2.0-x86_64.tar.gz"), 0); // the automatic flow downloads nothing
    FakeWorkspace workspace;
    UpdateVM vm(*mgr, workspace);
    EXPECT_FALSE(vm.offersDownload());
    EXPECT_TRUE(vm.offersDownloadPage());
    vm.openDownloadPage();
    EXPECT_EQ(workspace.opened.value(0).toString(), server.url("/mebo-0.2.0-x86_64.tar.gz"));
}

} // namespace
