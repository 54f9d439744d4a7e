#pragma once

#include "app/AppShell.h"
#include "ui/MainMenu.h"

#include <functional>

namespace mebo {

class KeyMonitors;
class MainWindow;
class MenuBarController;

// The widget shell as the application delegate sees it. Main thread only.
class DesktopShell : public AppShell {
public:
    DesktopShell(MainWindow& main, MenuBarController& menuBar, KeyMonitors& monitors,
                 MainMenu::Handler menuHandler, std::function<void(SettingsTab)> showSettings,
                 QString version);

    bool setUpStatusItem() override;
    void buildMainMenu() override;
    void installKeyMonitors() override;
    void removeKeyMonitors() override;
    void showMainWindow() override;
    void showSettings(SettingsTab tab) override;
    bool anyWindowVisible() const override;
    void hideAllWindows() override;
    void announceStillRunning(bool inTray) override;

private:
    MainWindow& main_;
    MenuBarController& menuBar_;
    KeyMonitors& monitors_;
    MainMenu::Handler menuHandler_;
    std::function<void(SettingsTab)> showSettings_;
    QString version_;
};

} // namespace mebo
