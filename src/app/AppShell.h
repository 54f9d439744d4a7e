#pragma once

#include "app/SettingsTab.h"

namespace mebo {

// What the application delegate asks of the desktop shell: its windows and menus. The widget
// shell implements it; tests use a recording fake. Main thread only.
class AppShell {
public:
    virtual ~AppShell() = default;

    // The status item and its menu; answers whether a tray shows it (without one the main
    // window is the way in, and the shell has logged why).
    virtual bool setUpStatusItem() = 0;
    virtual void buildMainMenu() = 0;
    // The three application-wide key monitors (save, copy, paste); each logs once when installed.
    virtual void installKeyMonitors() = 0;
    virtual void removeKeyMonitors() = 0;

    virtual void showMainWindow() = 0;
    virtual void showSettings(SettingsTab tab) = 0;
    virtual bool anyWindowVisible() const = 0;
    virtual void hideAllWindows() = 0;
    // Tells the user once that hiding the windows did not quit (a desktop notification, else the
    // tray's own message).
    virtual void announceStillRunning(bool inTray) = 0;
};

} // namespace mebo
