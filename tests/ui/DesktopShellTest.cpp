// The tray menu, the main menu, the key monitors and the tool-shortcut filter on real widgets.
#include "app/BuildFeatures.h"
#include "app/ShortcutRouter.h"
#include "app/UpdateCheckHook.h"
#include "recording/RecordingPanelVM.h"
#include "support/Fakes.h"
#include "support/Widgets.h"
#include "ui/KeyMonitors.h"
#include "ui/MenuBarController.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

namespace mebo {
namespace {

using test::menuAction;
using test::menuTexts;

TEST(MenuBarControllerTest, MenuItemsRunTheirActionsAndTheUpdateItemShowsTheCheck) {
    test::LogCapture log;
    UpdateCheckHook updates;
    QStringList ran;
    int checks = 0;
    QObject::connect(&updates, &UpdateCheckHook::checkRequested, [&] { ++checks; });
    MenuBarController::Actions actions;
    actions.startCapture = [&](CaptureMode m) { ran << captureModeRawValue(m); };
    actions.recordScreen = [&] { ran << QStringLiteral("picker"); };
    actions.openMain = [&] { ran << QStringLiteral("main"); };
    actions.openSettings = [&](SettingsTab t) { ran << QStringLiteral("settings%1").arg(int(t)); };
    actions.quit = [&] { ran << QStringLiteral("quit"); };
    actions.captureTarget = [&](CaptureRequest::Target t) { ran << QStringLiteral("target%1").arg(int(t)); };
    actions.pickColor = [&] { ran << QStringLiteral("colour"); };
    actions.stopRecording = [&] { ran << QStringLiteral("stop"); };
    actions.pauseResumeRecording = [&] { ran << QStringLiteral("pause"); };
    int delaySet = -1;
    actions.delay = [] { return 5; };
    actions.setDelay = [&](int seconds) { delaySet = seconds; };
    MenuBarController bar(updates, actions, QStringLiteral("1.2.3"));

    // The offscreen platform has no tray: the menu exists anyway and the log says why.
    EXPECT_FALSE(bar.install());
    EXPECT_TRUE(log.contains(QStringLiteral("[MenuBar] 完整菜單已安裝")));
    EXPECT_EQ(log.count(QStringLiteral("[MenuBar] no system tray on this desktop (no StatusNotifierItem host "
                                       "and no XEmbed tray): the main "
                                       "window stays open and holds the menu")),
              1);
    const QMenu& menu = *bar.menu();
    EXPECT_EQ(menuTexts(menu),
              (QStringList{"Capture Area / Window", "Capture Full Screen", "Scrolling Capture",
                           "Record Screen...", "Record Area...", "Capture Active Window",
                           "Capture Last Region", "Pick Color", "Delay", "---", "Open Mebo", "Settings...",
                           "Check for Updates...", "Logs", "---", "About Mebo v1.2.3", "Quit Mebo"}));
    for (QAction* a : menu.actions()) {
        EXPECT_TRUE(a->shortcut().isEmpty()) << a->text().toStdString();
        if (!a->isSeparator() && !a->menu()) {
            a->trigger();
        }
    }
    // Items of a feature this build lacks are disabled and say why; the others run.
    const bool scroll = BuildFeatures::has(Feature::scrollCapture);
    const bool record = BuildFeatures::has(Feature::screenRecording);
    const bool update = BuildFeatures::has(Feature::updateCheck);
    QStringList expected{"area", "fullscreen"};
    expected << (scroll ? QStringList{"scroll"} : QStringList{})
             << (record ? QStringList{"picker", "recordArea"} : QStringList{});
    expected << QStringList{"target2", "target1", "colour", "main", "settings0"};
    expected << (update ? QStringList{"settings3"} : QStringList{})
             << QStringList{"settings2", "settings3", "quit"};
    EXPECT_EQ(ran, expected);
    EXPECT_EQ(checks, update ? 1 : 0);
    EXPECT_EQ(menuAction(menu, "Scrolling Capture")->toolTip(),
              scroll ? QStringLiteral("Scrolling Capture")
                     : QStringLiteral("Scrolling capture is not available in this build."));

    // The delay submenu shows the current delay and sets another.
    QMenu* delay = menuAction(menu, "Delay")->menu();
    ASSERT_TRUE(delay);
    EXPECT_EQ(menuTexts(*delay), (QStringList{"Off", "3 seconds", "5 seconds", "10 seconds"}));
    Q_EMIT delay->aboutToShow();
    EXPECT_TRUE(menuAction(*delay, "5 seconds")->isChecked());
    menuAction(*delay, "10 seconds")->trigger();
    EXPECT_EQ(delaySet, 10);

    updates.setChecking(true);
    EXPECT_EQ(bar.updateAction()->text(), QStringLiteral("Checking..."));
    EXPECT_FALSE(bar.updateAction()->isEnabled());
    updates.setChecking(false);
    EXPECT_EQ(bar.updateAction()->text(), QStringLiteral("Check for Updates..."));
    EXPECT_EQ(bar.updateAction()->isEnabled(), update);

    // While recording, Stop takes Record Screen...'s place with the pause item after it.
    ran.clear();
    EXPECT_EQ(bar.pauseAction(), nullptr);
    bar.setRecording(true);
    ASSERT_NE(bar.pauseAction(), nullptr);
    const QList<QAction*> items = menu.actions();
    EXPECT_FALSE(items[5]->isEnabled()) << items[5]->text().toStdString(); // Record Area... waits
    EXPECT_EQ(items.indexOf(bar.pauseAction()), 4);
    bar.setRecordingStatus(true, RecordingPanelVM::trayStatus(RecordingState::paused, 12));
    EXPECT_EQ(bar.pauseAction()->text(), QStringLiteral("Resume Recording"));
    EXPECT_EQ(items[3]->text(), QStringLiteral("Stop Recording (Paused 00:12)"));
    bar.pauseAction()->trigger();
    items[3]->trigger();
    bar.setRecording(false);
    EXPECT_EQ(bar.pauseAction(), nullptr);
    EXPECT_EQ(items[3]->text(), QStringLiteral("Record Screen..."));
    EXPECT_EQ(ran, (QStringList{"pause", "stop"}));
}

TEST(KeyMonitorsTest, ControlKeysReachTheRouterBeforeMenuShortcutsAndTextFields) {
    test::LogCapture log;
    test::FakeMediaTarget target;
    ShortcutRouter router(target);
    QMainWindow main;
    auto* field = new QLineEdit(&main);
    main.setCentralWidget(field);
    int menuSaves = 0;
    QAction* save = main.menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Save"));
    save->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    QObject::connect(save, &QAction::triggered, [&] { ++menuSaves; });
    main.show();
    QApplication::setActiveWindow(&main);
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));

    KeyMonitors monitors(router, [&main] { return static_cast<QWidget*>(&main); });
    monitors.install();
    monitors.install();
    EXPECT_EQ(log.count(QStringLiteral("[Cmd+S] app 層快捷鍵監聽已安裝")), 1);
    EXPECT_EQ(log.count(QStringLiteral("[Cmd+C] app-level monitor installed")), 1);

    QTest::keyClick(field, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(target.calls.count(QStringLiteral("save")), 1);
    EXPECT_EQ(menuSaves, 0); // the monitor consumed it

    // Plain typing is left alone.
    QTest::keyClicks(field, QStringLiteral("sc"));
    EXPECT_EQ(field->text(), QStringLiteral("sc"));

    monitors.remove();
    QTest::keyClick(field, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(target.calls.count(QStringLiteral("save")), 1);
    EXPECT_EQ(menuSaves, 1);
}

} // namespace
} // namespace mebo
