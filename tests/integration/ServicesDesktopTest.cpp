// Whole-process tests of the online services on the test desktop: an installed Mebo updates
// itself from a local feed and comes back on the new version (or rolls back), and the hotkey
// companion, installed from its signed archive, opens the capture overlay on a key press.
#include "MeboHome.h"
#include "platform/sodium/SodiumCodeSigning.h"
#include "services/ChildProcess.h"
#include "support/FakeHttpServer.h"
#include "support/Files.h"
#include "support/TestUtil.h"

#include "TestPaths.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

// The desktop's processes this test started or caused, ended by pid at the end.
class Processes {
public:
    ~Processes() {
        for (pid_t pid : pids_) {
            ::kill(pid, SIGTERM);
        }
        for (pid_t pid : pids_) {
            QDeadlineTimer deadline(5000);
            while (::kill(pid, 0) == 0 && !deadline.hasExpired()) {
                ChildProcess::reap(pid);
                QThread::msleep(20);
            }
            ::kill(pid, SIGKILL);
            ChildProcess::reap(pid);
        }
    }
    void add(pid_t pid) { pids_ << pid; }

private:
    QList<pid_t> pids_;
};

// Waits until the file at `path` holds `text`; what it holds is the failure's message.
::testing::AssertionResult waitForText(const QString& path, const QString& text, int timeoutMs = 60000) {
    if (waitUntil([&] { return QString::fromUtf8(fileBytes(path)).contains(text); }, timeoutMs)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << fileBytes(path).toStdString();
}

class ServicesDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(home.path()).mkpath("tmp");
        for (const QString& change : home.environment({"TMPDIR=" + home.path() + "/tmp"})) {
            const qsizetype eq = change.indexOf('=');
            env.insert(change.left(eq), eq < 0 ? std::nullopt : std::optional(change.mid(eq + 1)));
        }
        env.insert("MEBO_PUBLISHER_KEY", QString::fromLatin1(keys.publicKey.toBase64()));
        log = home.path() + "/app.log";
    }
    ChildProcess::Outcome run(const QString& program, const QStringList& args, int timeoutMs = 120000) {
        return ChildProcess::run(program, args, timeoutMs, env);
    }
    pid_t start(const QString& program, const QStringList& args, const QString& output) {
        QString error;
        const pid_t pid = ChildProcess::spawn(program, args, env, &error, output);
        EXPECT_GT(pid, 0) << error.toStdString();
        processes.add(pid);
        return pid;
    }
    QString logText() const { return QString::fromUtf8(fileBytes(log)); }

    MeboHome home;
    FakeHttpServer server;
    platform::sodium::KeyPair keys = platform::sodium::generateKeyPair();
    ChildProcess::Environment env;
    QString log;
    Processes processes;
};

// An installed Mebo (apps/mebo: bin/mebo and its modules) and a release archive of this build.
class SelfUpdate : public ServicesDesktop {
protected:
    void SetUp() override {
        ServicesDesktop::SetUp();
        makeTree(apps.filePath("mebo"));
        makeTree(apps.filePath("release/mebo-" MEBO_PROJECT_VERSION));
        program = apps.filePath("mebo/bin/mebo");
        fullProgram = apps.filePath("mebo/lib/mebo/mebo-full"); // what the launcher becomes
        env.insert("MEBO_UPDATE_FEED_URL", server.url("/appcast.xml"));
        // The installed copy poses as an older release.
        env.insert("MEBO_INFO_CFBundleShortVersionString", "0.0.9");
        env.insert("MEBO_INFO_CFBundleVersion", "1"); // whatever number this build was given
    }
    void makeTree(const QString& root) {
        const QDir modules(MEBO_BUILD_DIR "/lib/mebo");
        QDir().mkpath(root + "/bin");
        QDir().mkpath(root + "/lib/mebo");
        ASSERT_TRUE(strip(MEBO_BINARY, root + "/bin/mebo"));
        for (const QString& module : modules.entryList({"*.so", "mebo-full"}, QDir::Files)) {
            ASSERT_TRUE(strip(modules.filePath(module), root + "/lib/mebo/" + module));
        }
    }
    static bool strip(const QString& from, const QString& to) {
        return ChildProcess::run("/usr/bin/objcopy", {"--strip-debug", from, to}, 120000).succeeded();
    }
    void publish() {
        const QString archive = apps.filePath("mebo-" MEBO_PROJECT_VERSION "-x86_64.tar.gz");
        ASSERT_TRUE(
            ChildProcess::run("/bin/tar",
                              {"-czf", archive, "-C", apps.filePath("release"), "mebo-" MEBO_PROJECT_VERSION},
                              120000)
                .succeeded());
        const QByteArray bytes = fileBytes(archive);
        server.route("/mebo.tar.gz", 200, bytes, "application/gzip");
        const QString signature =
            QString::fromLatin1(platform::sodium::sign(bytes, keys.secretKey).toBase64());
        server.route(
            "/appcast.xml", 200,
            QStringLiteral("<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/"
                           "sparkle\"><channel><item><title>Mebo</title><sparkle:version>%1</sparkle:version>"
                           "<sparkle:shortVersionString>%2</sparkle:shortVersionString><enclosure url=\"%3\" "
                           "length=\"%4\" sparkle:edSignature=\"%5\"/></item></channel></rss>")
                .arg(MEBO_PROJECT_BUILD, MEBO_PROJECT_VERSION, server.url("/mebo.tar.gz"))
                .arg(bytes.size())
                .arg(signature)
                .toUtf8(),
            "application/xml");
    }
    // Started in the background; the first launch opens the settings window, which checks.
    void launchInstalled() { start(program, {"--background"}, log); }

    QTemporaryDir apps;
    QString program;
    QString fullProgram;
};

TEST_F(SelfUpdate, AnUpdateFoundAtLaunchInstallsItselfAndComesBackOnTheNewVersionWithItsWindows) {
    publish();
    ASSERT_FALSE(HasFatalFailure());
    launchInstalled();
    ASSERT_TRUE(waitForText(log, "[AppDelegate] Mebo 啟動 (build 0.0.9 (1))", 30000));
    ASSERT_TRUE(waitForText(log, "[更新] auto flow + 不忙 → 自動重啟升級", 90000));
    ASSERT_TRUE(waitForText(
        log, "[AppDelegate] Mebo 啟動 (build " MEBO_PROJECT_VERSION " (" MEBO_PROJECT_BUILD "))", 60000));
    ASSERT_TRUE(waitForText(log, "[更新] 新版本 " MEBO_PROJECT_VERSION " 已啟動, 刪除舊版 0.0.9", 60000));
    EXPECT_TRUE(logText().contains("[AppDelegate] Mebo 退出"));
    const QList<pid_t> now = processesOf(fullProgram);
    ASSERT_EQ(now.size(), 1);
    processes.add(now.first());
    // The settings window that was open is open again.
    const auto found = ChildProcess::run(
        "/usr/bin/xdotool", {"search", "--sync", "--onlyvisible", "--name", "^Mebo Settings$"}, 20000);
    EXPECT_TRUE(found.succeeded()) << found.err.constData();
    // The old version goes after the line that says so: a whole tree, slow on a busy disk.
    EXPECT_TRUE(waitUntil(
        [&] { return QDir(apps.path()).entryList({".mebo-update-*"}, QDir::Dirs | QDir::Hidden).isEmpty(); },
        60000));
    env.insert("MEBO_INFO_CFBundleShortVersionString", std::nullopt);
    env.insert("MEBO_INFO_CFBundleVersion", std::nullopt);
    const auto version = run(program, {"--version"});
    EXPECT_EQ(version.out.trimmed().toStdString(),
              "mebo " MEBO_PROJECT_VERSION " (build " MEBO_PROJECT_BUILD ")");
}

TEST_F(SelfUpdate, ANewVersionThatDoesNotStartIsRolledBackAndTheOldOneStartsAgain) {
    // The release's program is broken: it ends at once.
    QFile::remove(apps.filePath("release/mebo-" MEBO_PROJECT_VERSION "/bin/mebo"));
    writeBytes(apps.filePath("release/mebo-" MEBO_PROJECT_VERSION "/bin/mebo"), "#!/bin/sh\nexit 1\n");
    QFile::setPermissions(apps.filePath("release/mebo-" MEBO_PROJECT_VERSION "/bin/mebo"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    publish();
    ASSERT_FALSE(HasFatalFailure());
    const qint64 installedSize = QFileInfo(program).size();
    launchInstalled();
    ASSERT_TRUE(waitForText(
        log, "[更新] 新版本 " MEBO_PROJECT_VERSION " 未能啟動 (it ended at once (exit 1)), 回滾到 0.0.9",
        120000));
    ASSERT_TRUE(waitForText(log, "[更新] 新版本 " MEBO_PROJECT_VERSION " 未能啟動, 已回滾到 0.0.9", 60000));
    EXPECT_EQ(QFileInfo(program).size(), installedSize);
    EXPECT_TRUE(QDir(apps.path()).entryList({".mebo-update-*"}, QDir::Dirs | QDir::Hidden).isEmpty());
    const QList<pid_t> now = processesOf(fullProgram);
    ASSERT_EQ(now.size(), 1);
    processes.add(now.first());
}

TEST_F(ServicesDesktop, TheInstalledCompanionOpensTheOverlayWhenItsKeyIsPressed) {
    // The companion's signed archive and feed, as a release makes them.
    const QString keyFile = home.path() + "/publisher.key";
    writeBytes(keyFile, keys.secretKey.toBase64() + "\n");
    env.insert("MEBO_SIGN", MEBO_SIGN_BINARY);
    env.insert("MEBO_TASU", TASU_BINARY);
    const QString packed = home.path() + "/packed";
    const auto pack = run(MEBO_SOURCE_DIR "/scripts/pack-tasu.sh",
                          {"--key", keyFile, "--out", packed, "--url-base", server.url("/tasu")});
    ASSERT_TRUE(pack.succeeded()) << pack.err.constData();
    const QString zip = QString::fromUtf8(pack.out).trimmed();
    server.route("/tasu/" + QFileInfo(zip).fileName(), 200, fileBytes(zip), "application/zip");
    server.route("/tasu/appcast.xml", 200, fileBytes(packed + "/tasu-appcast.xml"), "application/xml");

    env.insert("MEBO_TASU_FEED_URL", server.url("/tasu/appcast.xml"));
    const auto installed = run(MEBO_BINARY, {"companion", "install", "--json"});
    ASSERT_TRUE(installed.succeeded()) << installed.err.constData();
    const QJsonObject report = QJsonDocument::fromJson(installed.out).object();
    EXPECT_EQ(report.value("installed"), true);
    const QString tasu = home.path() + "/Applications/Tasu.app/Contents/bin/tasu";
    ASSERT_TRUE(QFileInfo(tasu).isExecutable());
    EXPECT_TRUE(QDir(home.path() + "/tmp").isEmpty());

    // Mebo handles mebo:// URLs, and runs.
    ASSERT_TRUE(run(MEBO_SOURCE_DIR "/scripts/install-desktop-entry.sh", {MEBO_BINARY}).succeeded());
    ASSERT_TRUE(run(MEBO_BINARY, {"config", "set", "mebo.firstLaunchSettingsShown", "true"}).succeeded());
    start(MEBO_BINARY, {"--background"}, log);
    ASSERT_TRUE(waitForText(log, "[Cmd+V] app-level monitor installed", 30000));

    writeBytes(home.path() + "/config/tasu/bindings.json", R"({"area": "Ctrl+Alt+K"})");
    const QString tasuLog = home.path() + "/tasu.log";
    start(tasu, {"--background"}, tasuLog);
    ASSERT_TRUE(waitForText(tasuLog, "[Tasu] bound area to Ctrl+Alt+K (X11)", 30000));
    ASSERT_TRUE(waitForText(tasuLog, "[Tasu] ready", 30000));

    ASSERT_TRUE(run("/usr/bin/xdotool", {"key", "ctrl+alt+k"}, 20000).succeeded());
    EXPECT_TRUE(waitForText(tasuLog, "[Tasu] Ctrl+Alt+K → mebo://capture?mode=area", 20000));
    ASSERT_TRUE(waitForText(log, "[AppDelegate] URL: mebo://capture?mode=area", 30000));
    // What the overlay does is the desktop application's test.
    EXPECT_TRUE(waitForText(log, "[CaptureMgr] start mode=area", 30000));
}

} // namespace
