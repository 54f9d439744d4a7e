#include "ui/DesktopShell.h"

#include "ui/KeyMonitors.h"
#include "ui/MainWindow.h"
#include "ui/MenuBarController.h"

#include <QApplication>
#include <QMenuBar>

namespace mebo {

namespace {

// The application's own windows: top-level windows, not menus, tooltips or the tray's popups.
// The XEmbed tray icon is a top-level window of Qt's own ("QSystemTrayIconSys"): hiding it would
// leave a one-pixel, unclickable icon in the panel.
QList<QWidget*> appWindows() {
    QList<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = w->windowType();
        if ((type == Qt::Window || type == Qt::Dialog || type == Qt::Tool) &&
            !w->inherits("QSystemTrayIconSys") && w->objectName() != QLatin1String("QSystemTrayIconSys")) {
            out << w;
        }
    }
    return out;
}

} // namespace

DesktopShell::DesktopShell(MainWindow& main, MenuBarController& menuBar, KeyMonitors& monitors,
                           MainMenu::Handler menuHandler, std::function<void(SettingsTab)> showSettings,
                           QString version)
    : main_(main), menuBar_(menuBar), monitors_(monitors), menuHandler_(std::move(menuHandler)),
      showSettings_(std::move(showSettings)), version_(std::move(version)) {}

bool DesktopShell::setUpStatusItem() {
    const bool tray = menuBar_.install();
    if (!tray) {
        main_.showMainWindow(); // without a tray the window is the way in
    }
    return tray;
}

void DesktopShell::buildMainMenu() {
    MainMenu::build(*main_.menuBar(), version_, menuHandler_);
}

void DesktopShell::installKeyMonitors() {
    monitors_.install();
}

void DesktopShell::removeKeyMonitors() {
    monitors_.remove();
}

void DesktopShell::showMainWindow() {
    main_.showMainWindow();
}

void DesktopShell::showSettings(SettingsTab tab) {
    showSettings_(tab);
}

bool DesktopShell::anyWindowVisible() const {
    for (QWidget* w : appWindows()) {
        if (w->isVisible()) {
            return true;
        }
    }
    return false;
}

void DesktopShell::announceStillRunning(bool inTray) {
    menuBar_.announce(QStringLiteral("Mebo is still running"),
                      inTray ? QStringLiteral("Mebo keeps running in the tray: its menu takes captures and "
                                              "opens the window again. Quit Mebo in that menu ends it.")
                             : QStringLiteral("Mebo keeps running in the background: start it again to "
                                              "bring its window back."));
}

void DesktopShell::hideAllWindows() {
    for (QWidget* w : appWindows()) {
        if (w->isVisible()) {
            w->hide();
        }
    }
}

} // namespace mebo
