#include "MeboHome.h"
#include "platform/x11/DesktopTools.h"
#include "support/Files.h"
#include "support/TestUtil.h"

#include "TestPaths.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <gtest/gtest.h>

using namespace mebo::test;
using namespace mebo::test::x11;

namespace {

// The desktop application running on the test desktop with a private home, its log in a file.
class RunningApp {
public:
    explicit RunningApp(const MeboHome& home)
        : home_(home), logPath_(home.path() + QStringLiteral("/app.log")) {}

    void start() {
        process_.start({QStringLiteral(MEBO_BINARY), QStringLiteral("--background")}, home_.environment(),
                       logPath_);
    }
    void stop() { process_.stop(); }
    bool running() { return process_.running(); }
    QString log() const { return QString::fromUtf8(fileBytes(logPath_)); }
    // Waits until the log has `line` (at the end of a log line); the log is the failure's message.
    ::testing::AssertionResult waitForLine(const QString& line) const {
        if (waitUntil([&] { return log().contains(QStringLiteral("] ") + line + QLatin1Char('\n')); },
                      30000)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << log().toStdString();
    }

private:
    const MeboHome& home_;
    QString logPath_;
    Child process_;
};

// The screen as the command line captures it (its grabs are checked against xwd elsewhere; xwd
// itself misreads the root once the tray icon has installed its colormap).
QImage screenNow(const MeboHome& probe) {
    const QString dir = probe.path() + QStringLiteral("/probe");
    QDir(dir).removeRecursively();
    const ProgramRun r = probe.run({"capture", "fullscreen", "--save-dir", dir});
    return r.ok() ? QImage(r.out) : QImage();
}

// Bright spots of a picture of the screen (terminal backgrounds), on a 16-pixel grid.
QList<QPoint> brightSpots(const QImage& screen) {
    QList<QPoint> out;
    for (int y = 8; y < screen.height(); y += 16) {
        for (int x = 8; x < screen.width(); x += 16) {
            if (qGray(screen.pixel(x, y)) > 230) {
                out << QPoint(x, y);
            }
        }
    }
    return out;
}

// The overlay dims the screen: most bright spots of the picture before it turn grey.
::testing::AssertionResult waitForDimmed(const MeboHome& probe, const QList<QPoint>& spots, bool dimmed,
                                         int timeoutMs = 30000) {
    QDeadlineTimer deadline(timeoutMs);
    QString last = QStringLiteral("no picture");
    while (!deadline.hasExpired()) {
        const QImage now = screenNow(probe);
        if (!now.isNull() && !spots.isEmpty()) {
            int grey = 0;
            for (const QPoint& p : spots) {
                grey += qGray(now.pixel(p)) < 160 ? 1 : 0;
            }
            // The window under the pointer stays bright (the snap highlight): most, not all.
            if (dimmed ? grey * 3 > spots.size() * 2 : grey * 10 < spots.size()) {
                return ::testing::AssertionSuccess();
            }
            last = QStringLiteral("%1 of %2 bright spots grey").arg(grey).arg(spots.size());
        }
        QThread::msleep(50);
    }
    return ::testing::AssertionFailure() << last.toStdString();
}

void xdotool(const QStringList& args) {
    const ProgramRun r = runTool(QStringLiteral("xdotool"), args);
    ASSERT_TRUE(r.ok()) << r.err.toStdString();
}

class DesktopApp : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            GTEST_SKIP() << "needs the test desktop";
        }
        // The editor window would cover the screen after a capture; these tests look at the desktop.
        ASSERT_EQ(home.run({"config", "set", "mebo.openEditorAfterCapture", "false"}).exitCode, 0);
        ASSERT_EQ(home.run({"config", "set", "mebo.firstLaunchSettingsShown", "true"}).exitCode, 0);
        app.start();
        ASSERT_TRUE(app.waitForLine(QStringLiteral("[Cmd+V] app-level monitor installed")));
        const auto terms = windowsTitled(QStringLiteral("mebo-test-xterm-1"));
        ASSERT_FALSE(terms.empty());
        terminal = toolGeometry(terms.front());
        ASSERT_TRUE(terminal.valid);
    }

    // The screen before a capture (terminals frozen), its bright spots, the pointer out of the way.
    void prepareStill() {
        before = screenNow(probe);
        ASSERT_FALSE(before.isNull());
        spots = brightSpots(before);
        ASSERT_GT(spots.size(), 100);        // the terminals' backgrounds
        xdotool({"mousemove", "2", "1077"}); // the bare desktop: no window is highlighted
    }
    // The library's first picture, once it is there.
    QImage firstCapture() const {
        waitUntil([&] { return !pngsIn(home.picturesMebo()).isEmpty(); }, 30000);
        const QStringList pngs = pngsIn(home.picturesMebo());
        return pngs.size() == 1 ? QImage(home.picturesMebo() + QLatin1Char('/') + pngs.first()) : QImage();
    }

    QImage before;
    QList<QPoint> spots;
    MeboHome home;
    MeboHome probe; // takes the reference pictures, with a library of its own
    RunningApp app{home};
    ToolGeometry terminal;
};

} // namespace

TEST_F(DesktopApp, LaterLaunchesHandOverAndUrlsAreRouted) {
    // A second start hands over and ends at once.
    const ProgramRun second = home.run({});
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_TRUE(app.running());
    EXPECT_EQ(home.run({QStringLiteral("mebo://settings")}).exitCode, 0);
    EXPECT_TRUE(app.waitForLine(QStringLiteral("[AppDelegate] 未知命令: settings")));

    // The capture names the application in front (xdg-open reaching Mebo through its desktop entry
    // is the hotkey companion's test).
    EXPECT_EQ(home.run({QStringLiteral("mebo://capture?mode=fullscreen")}).exitCode, 0);
    ASSERT_TRUE(app.waitForLine(
        QStringLiteral("[CaptureMgr] start mode=fullscreen source=urlScheme preferredApp=xterm")));
    // What a full-screen capture writes is the command line's test.
    ASSERT_TRUE(app.waitForLine(QStringLiteral("[CaptureMgr] handleResult mode=fullscreen size=1920×1080")));

    // Terminating ends the process with its last line.
    app.stop();
    EXPECT_TRUE(app.log().contains(QStringLiteral("[AppDelegate] Mebo 退出")));
}

TEST_F(DesktopApp, AreaOverlayCapturesTheDraggedRectangleOrCancels) {
    FreezeGuard freeze;
    prepareStill();
    ASSERT_FALSE(HasFatalFailure());

    ASSERT_EQ(home.run({QStringLiteral("mebo://capture?mode=area")}).exitCode, 0);
    ASSERT_TRUE(waitForDimmed(probe, spots, true)) << app.log().toStdString();
    xdotool({"mousemove", "300", "400", "mousedown", "1"});
    xdotool({"mousemove", "500", "500"});
    xdotool({"mousemove", "700", "650", "mouseup", "1"});
    // The rectangle waits to be corrected; a double click inside takes it (pointer events reach the
    // overlay whichever window holds the keyboard focus).
    xdotool({"mousemove", "500", "525", "click", "--repeat", "2", "--delay", "80", "1"});
    ASSERT_TRUE(app.waitForLine(QStringLiteral("[CaptureMgr] handleResult mode=area size=400×250")));
    ASSERT_TRUE(waitForDimmed(probe, spots, false));
    const QImage shot = firstCapture();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(firstDifference(shot.convertToFormat(QImage::Format_RGB32),
                              before.copy(300, 400, 400, 250).convertToFormat(QImage::Format_RGB32)),
              QString());

    // Escape cancels, with the coordinator's line.
    ASSERT_EQ(home.run({QStringLiteral("mebo://capture?mode=area")}).exitCode, 0);
    ASSERT_TRUE(waitForDimmed(probe, spots, true));
    xdotool({"key", "Escape"});
    EXPECT_TRUE(app.waitForLine(QStringLiteral("[CaptureMgr] 區域截屏取消")));
    EXPECT_TRUE(waitForDimmed(probe, spots, false));
    EXPECT_EQ(pngsIn(home.picturesMebo()).size(), 1);
}

TEST_F(DesktopApp, ClickInTheWindowOverlayCapturesTheSnappedWindow) {
    FreezeGuard freeze;
    prepareStill();
    ASSERT_FALSE(HasFatalFailure());
    const QRect frame = terminal.client.marginsAdded(terminal.frameExtents);

    ASSERT_EQ(home.run({QStringLiteral("mebo://capture?mode=window")}).exitCode, 0);
    ASSERT_TRUE(waitForDimmed(probe, spots, true)) << app.log().toStdString();
    const QPoint inside = terminal.client.center();
    QList<QPoint> onTerminal; // the window under the pointer is shown undimmed once it is snapped
    std::copy_if(spots.begin(), spots.end(), std::back_inserter(onTerminal),
                 [&](QPoint p) { return frame.contains(p); });
    // The pointer is moved again until the overlay shows the snap: a motion sent while its
    // windows were still being mapped reaches none of them.
    ::testing::AssertionResult snapped = ::testing::AssertionFailure();
    for (int i = 0; i < 20 && !snapped; ++i) {
        xdotool({"mousemove", QString::number(inside.x() + i % 2), QString::number(inside.y())});
        snapped = waitForDimmed(probe, onTerminal, false, 1500);
    }
    ASSERT_TRUE(snapped);
    xdotool({"click", "1"});
    ASSERT_TRUE(app.waitForLine(QStringLiteral("[CaptureMgr] handleResult mode=window size=%1×%2")
                                    .arg(frame.width())
                                    .arg(frame.height())));
    const QImage shot = firstCapture();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(firstDifference(shot.convertToFormat(QImage::Format_RGB32),
                              before.copy(frame).convertToFormat(QImage::Format_RGB32)),
              QString());
}

namespace {

QStringList idsOf(const QJsonArray& index) {
    QStringList out;
    for (const QJsonValue& v : index) {
        out << v.toObject().value(QStringLiteral("id")).toString();
    }
    return out;
}

bool waitForIndexSize(const QString& dir, qsizetype size, int timeoutMs = 15000) {
    return waitUntil([&] { return libraryIndex(dir).size() == size; }, timeoutMs);
}

// The main window's client area once it is shown and has stopped changing (thumbnails come in
// the background); null when it does not come.
QImage settledMainWindow(const MeboHome& probe) {
    QDeadlineTimer deadline(20000);
    QImage last;
    while (!deadline.hasExpired()) {
        const auto windows = windowsTitled(QStringLiteral("Mebo"));
        const ToolGeometry g = windows.empty() ? ToolGeometry{} : toolGeometry(windows.front());
        const QImage screen = g.valid ? screenNow(probe) : QImage();
        if (!screen.isNull()) {
            const QImage now = screen.copy(g.client).convertToFormat(QImage::Format_RGB32);
            if (!last.isNull() && firstDifference(now, last).isEmpty()) {
                return now;
            }
            last = now;
        }
        QThread::msleep(300);
    }
    return {};
}

} // namespace

// The library is the same after a restart: what was captured and tagged is listed again, and
// the next capture and a limit set while Mebo was stopped keep to it.
TEST_F(DesktopApp, TheLibraryOutlivesARestart) {
    const QString lib = home.picturesMebo();
    for (int n = 1; n <= 2; ++n) {
        ASSERT_EQ(home.run({QStringLiteral("mebo://capture?mode=fullscreen")}).exitCode, 0);
        ASSERT_TRUE(waitForIndexSize(lib, n)) << app.log().toStdString();
    }
    const QStringList captured = idsOf(libraryIndex(lib));

    // Tags given from the command line while Mebo runs reach the running library at once.
    const ProgramRun tag = home.run({"history", "tag", captured.at(1), "invoice", "march"});
    ASSERT_EQ(tag.exitCode, 0) << tag.err.toStdString();
    const QString reread = QStringLiteral("[History] index.json was changed by another process");
    ASSERT_TRUE(waitUntil([&] { return app.log().contains(reread); }, 30000)) << app.log().toStdString();

    xdotool({"mousemove", "2", "1077"});
    ASSERT_EQ(home.run({}).exitCode, 0); // a plain launch shows the main window
    const QImage before = settledMainWindow(probe);
    ASSERT_FALSE(before.isNull());

    app.stop();
    app.start();
    ASSERT_TRUE(app.waitForLine(QStringLiteral("[History] 載入 2 條, 後台掃描孤兒...")));
    ASSERT_EQ(home.run({}).exitCode, 0);
    // The main window lists the same captures with their names and thumbnails.
    EXPECT_EQ(firstDifference(settledMainWindow(probe), before), QString());

    ASSERT_EQ(home.run({QStringLiteral("mebo://capture?mode=fullscreen")}).exitCode, 0);
    ASSERT_TRUE(waitForIndexSize(lib, 3)) << app.log().toStdString();
    const QJsonArray index = libraryIndex(lib);
    EXPECT_EQ(idsOf(index).mid(1), captured);
    EXPECT_EQ(index[2].toObject().value(QStringLiteral("tags")).toArray(),
              (QJsonArray{QStringLiteral("invoice"), QStringLiteral("march")}));
    EXPECT_EQ(pngsIn(lib).size(), 3);

    // A limit set while Mebo is stopped holds after the next start as well.
    app.stop();
    ASSERT_EQ(home.run({"config", "set", "mebo.historyMaxCount", "2"}).exitCode, 0);
    EXPECT_EQ(idsOf(libraryIndex(lib)), idsOf(index).mid(0, 2));
    app.start();
    ASSERT_TRUE(app.waitForLine(QStringLiteral("[History] 載入 2 條, 後台掃描孤兒...")));
    ASSERT_EQ(home.run({QStringLiteral("mebo://capture?mode=fullscreen")}).exitCode, 0);
    ASSERT_TRUE(app.waitForLine(QStringLiteral("[History] prune 完成, 從 3 截到 2 (刪 1 個)")));
    EXPECT_EQ(idsOf(libraryIndex(lib)).mid(1), idsOf(index).mid(0, 1));
    EXPECT_EQ(pngsIn(lib).size(), 2);
    EXPECT_EQ(pngsIn(home.trashFiles()).size(), 2);
}

namespace {

// The test desktop's stand-in for the notification service; it "clicks" `action` when offered.
class NotificationServer {
public:
    NotificationServer(const MeboHome& home, const EnvChanges& env, const QString& action = {}) {
        log_ = home.path() + QStringLiteral("/notifications.jsonl");
        process_.start({QStringLiteral("/usr/bin/python3"), // the interpreter the Debian modules belong to
                        QStringLiteral(MEBO_SOURCE_DIR "/tests/desktop/notification-server.py"), log_,
                        action},
                       env, home.path() + QStringLiteral("/notifications.err"));
        ready_ = waitUntil([&] { return fileBytes(log_).contains("\"ready\""); }, 15000);
    }
    bool ready() const { return ready_; }
    QList<QJsonObject> calls() const {
        QList<QJsonObject> out;
        for (const QByteArray& line : fileBytes(log_).split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (!o.isEmpty() && !o.contains("ready")) {
                out << o;
            }
        }
        return out;
    }
    bool waitFor(const std::function<bool(const QJsonObject&)>& match) const {
        return waitUntil(
            [&] {
                const QList<QJsonObject> now = calls();
                return std::any_of(now.begin(), now.end(), match);
            },
            15000);
    }

private:
    QString log_;
    Child process_;
    bool ready_ = false;
};

} // namespace

// After a capture: a notification offering Open, Copy and Show in Folder; Open shows the capture.
TEST_F(DesktopApp, ANotificationAfterACaptureOpensIt) {
    NotificationServer server(home, home.environment(), QStringLiteral("open"));
    ASSERT_TRUE(server.ready());
    app.stop();
    ASSERT_EQ(home.run({"config", "set", "mebo.notifyAfterCapture", "true"}).exitCode, 0);
    app.start();
    ASSERT_TRUE(app.waitForLine(QStringLiteral("[Cmd+V] app-level monitor installed")));
    ASSERT_EQ(home.run({QStringLiteral("mebo://capture?mode=fullscreen")}).exitCode, 0);
    ASSERT_TRUE(server.waitFor([](const QJsonObject& o) {
        return o.value("summary").toString() == "Capture saved";
    })) << app.log().toStdString();
    const QJsonObject notice = server.calls().first();
    EXPECT_EQ(notice.value("actions").toArray(),
              (QJsonArray{"open", "Open", "copy", "Copy", "reveal", "Show in Folder"}));
    const QString name = pngsIn(home.picturesMebo()).value(0);
    EXPECT_EQ(notice.value("body").toString(), name);
    EXPECT_TRUE(notice.value("hints").toObject().value("image-path").toString().endsWith(name));
    // "Open" was picked: the main window comes up with the capture.
    EXPECT_TRUE(waitUntil([&] { return !windowsTitled(name + QStringLiteral(" — Mebo")).empty(); }, 15000))
        << app.log().toStdString();
}

// Ctrl+Q hides the window; the tray icon keeps its size and says once where Mebo went. A hidden
// window keeps its X window (unmapped): only the viewable ones are on screen.
TEST_F(DesktopApp, HidingTheWindowKeepsTheTrayIconAndSaysSoOnce) {
    const auto shownWindows = [] {
        return runTool(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--name", "^Mebo$"})
            .out.split('\n', Qt::SkipEmptyParts);
    };
    NotificationServer server(home, home.environment());
    ASSERT_TRUE(server.ready());
    ASSERT_EQ(home.run({}).exitCode, 0);
    ASSERT_TRUE(waitUntil([&] { return !shownWindows().empty(); }, 15000));
    const auto windows = shownWindows();
    for (int round = 0; round < 2; ++round) {
        xdotool({"windowactivate", "--sync", windows.front()});
        xdotool({"key", "--clearmodifiers", "ctrl+q"}); // to the focused window, as a user types it
        ASSERT_TRUE(waitUntil([&] { return shownWindows().empty(); }, 15000)) << "round " << round;
        if (round == 0) {
            ASSERT_EQ(home.run({}).exitCode, 0); // shown again by a second start
            ASSERT_TRUE(waitUntil([&] { return !shownWindows().empty(); }, 15000));
        }
    }
    const auto announcement = [](const QJsonObject& o) {
        return o.value("summary").toString() == "Mebo is still running";
    };
    EXPECT_TRUE(server.waitFor(announcement));
    const QList<QJsonObject> calls = server.calls();
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), announcement), 1);
    // The icon in the tray is still a full-size window one can click.
    const ProgramRun tree = runTool(QStringLiteral("xwininfo"), {"-root", "-tree"});
    static const QRegularExpression window(QStringLiteral(R"(^.*("mebo"|Mebo).* (\d+)x(\d+)\+)"),
                                           QRegularExpression::MultilineOption);
    int icons = 0;
    for (auto it = window.globalMatch(tree.out); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        icons += m.captured(2).toInt() >= 16 && m.captured(2).toInt() <= 64 && m.captured(3).toInt() >= 16;
    }
    EXPECT_GE(icons, 1) << tree.out.toStdString();
}
