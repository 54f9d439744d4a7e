#include "app/AppDelegate.h"
#include "app/AppShell.h"
#include "capture/CaptureMgr.h"
#include "support/CaptureParts.h"
#include "support/Files.h"

#include <gtest/gtest.h>

namespace mebo {
namespace {

// Runs the event loop for `ms` (timers included).
void runFor(int ms) {
    test::waitUntil([] { return false; }, ms);
}

class RecordingShell : public AppShell {
public:
    bool setUpStatusItem() override {
        calls << QStringLiteral("statusItem");
        return tray;
    }
    void buildMainMenu() override { calls << QStringLiteral("mainMenu"); }
    void installKeyMonitors() override { calls << QStringLiteral("monitors"); }
    void removeKeyMonitors() override { calls << QStringLiteral("removeMonitors"); }
    void showMainWindow() override {
        calls << QStringLiteral("showMain");
        visible = true;
    }
    void showSettings(SettingsTab tab) override { settings << tab; }
    bool anyWindowVisible() const override { return visible; }
    void hideAllWindows() override {
        calls << QStringLiteral("hideAll");
        visible = false;
    }
    void announceStillRunning(bool inTray) override { calls << (inTray ? "announce:tray" : "announce"); }

    QStringList calls;
    QList<SettingsTab> settings;
    bool visible = false;
    bool tray = true;
};

class AppDelegateTest : public ::testing::Test, protected test::CaptureParts<> {
protected:
    AppDelegateTest() {
        capture.displayList = {test::display(1, QRect(0, 0, 800, 600), 1.0, true)};
        history.load();
        delegate.setQuitFunction([this] { ++quits; });
        QObject::connect(&mgr, &CaptureMgr::stillCaptureFinished, [this](bool ok, const QString& path) {
            if (ok) {
                captured << path;
            }
        });
    }
    test::FakeRegionOverlay overlay;
    CaptureMgr mgr{cfg,        screenshots, images,  clipboard, shutter, history,
                   mainWindow, &overlay,    dialogs, workspace, pointer};
    RecordingShell shell;
    AppDelegate delegate{defaults, images, history, mgr, shell};
    QStringList captured;
    int quits = 0;
};

TEST_F(AppDelegateTest, LaunchRunsItsStepsInOrderAndOpensSettingsOnceOnTheFirstLaunch) {
    // The launch line is the self-update desktop test's (its version and build). A library left by an earlier
    // run is read at launch, before anything can be added to it.
    QDir().mkpath(cfg.saveDirectory());
    test::writeBytes(QDir(cfg.saveDirectory()).filePath(QStringLiteral("index.json")),
                     R"([{"createdAt": "2025-03-14T09:00:00Z", "filename": "gone.png", "heightPx": 1,
                         "id": "A", "mode": "area", "tags": ["kept"], "thumbnailName": "A.jpg", "widthPx": 1}])");
    delegate.finishLaunching();
    EXPECT_EQ(shell.calls, (QStringList{"statusItem", "mainMenu", "monitors"}));
    EXPECT_TRUE(QDir(cfg.saveDirectory()).exists());
    ASSERT_EQ(history.entries().size(), 1);
    EXPECT_EQ(history.entries().first().tags, QStringList{"kept"});
    EXPECT_TRUE(shell.settings.isEmpty()); // not before half a second
    ASSERT_TRUE(test::waitUntil([&] { return !shell.settings.isEmpty(); }));
    EXPECT_EQ(shell.settings, QList<SettingsTab>{SettingsTab::general});
    EXPECT_TRUE(defaults.object(QStringLiteral("mebo.firstLaunchSettingsShown")).toBool());

    // The next launch finds the key set and opens nothing.
    RecordingShell second;
    AppDelegate next(defaults, images, history, mgr, second);
    next.finishLaunching();
    runFor(700);
    EXPECT_TRUE(second.settings.isEmpty());
}

TEST_F(AppDelegateTest, UrlDuringFirstLaunchSuppressesTheSettingsWindowButMarksItShown) {
    delegate.finishLaunching();
    overlay.autoAnswer = OverlayOutcome{}; // the area overlay is cancelled
    delegate.handleUrl(QStringLiteral("mebo://capture"));
    runFor(700);
    EXPECT_TRUE(shell.settings.isEmpty());
    EXPECT_TRUE(defaults.object(QStringLiteral("mebo.firstLaunchSettingsShown")).toBool());
    EXPECT_TRUE(
        log.contains(QStringLiteral("[AppDelegate] 啟動時收到 URL Scheme, 跳過 first-launch Settings 彈窗")));
    EXPECT_EQ(overlay.presents, 1); // what a URL starts is the desktop application's test

    // An unreadable URL does not count as received during launch.
    AppDelegate fresh(defaults, images, history, mgr, shell);
    fresh.handleUrl(QStringLiteral("  "));
    EXPECT_FALSE(fresh.didReceiveUrlDuringLaunch());
    fresh.handleUrl(QStringLiteral("mebo://settings"));
    EXPECT_TRUE(fresh.didReceiveUrlDuringLaunch());
}

TEST_F(AppDelegateTest, OnlyQuitUpdatesAndTheSessionEndQuit) {
    delegate.finishLaunching();
    shell.calls.clear();
    // Ctrl+Q hides the windows (the desktop test's): only leaving the session quits.
    EXPECT_FALSE(delegate.shouldTerminate(AppDelegate::TerminateReason::ordinary));
    EXPECT_TRUE(delegate.shouldTerminate(AppDelegate::TerminateReason::logOut));

    delegate.setAllowTermination(true);
    EXPECT_TRUE(delegate.shouldTerminate(AppDelegate::TerminateReason::ordinary));
    delegate.setAllowTermination(false);

    delegate.quitRequested();
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(delegate.shouldTerminate(AppDelegate::TerminateReason::ordinary)); // the flag stays

    delegate.willTerminate();
    delegate.willTerminate();
    EXPECT_EQ(log.count(QStringLiteral("[AppDelegate] Mebo 退出")), 1);
    EXPECT_EQ(shell.calls.count(QStringLiteral("removeMonitors")), 1);

    // Reopen shows the main window only when nothing is visible.
    shell.calls.clear();
    shell.visible = true;
    EXPECT_TRUE(delegate.reopen());
    EXPECT_TRUE(shell.calls.isEmpty());
    shell.visible = false;
    EXPECT_TRUE(delegate.reopen());
    EXPECT_EQ(shell.calls, QStringList{"showMain"});
}

} // namespace
} // namespace mebo
