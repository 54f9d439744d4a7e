#pragma once

#include "app/SettingsTab.h"
#include "capture/CaptureMode.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace mebo {

class UpdateCheckHook;

// The status item: a tray icon (StatusNotifierItem, else the XEmbed tray) with the application's
// menu. Main thread only.
class MenuBarController : public QObject {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(CaptureMode)> startCapture; // source: the status menu
        std::function<void()> recordScreen;            // the source picker
        std::function<void()> stopRecording;
        std::function<void()> openMain;
        std::function<void(SettingsTab)> openSettings;
        std::function<void()> quit;
    };

    MenuBarController(UpdateCheckHook& updates, Actions actions, QString version, QObject* parent = nullptr);
    ~MenuBarController() override;

    // Builds the menu and shows the icon. False when the desktop has no tray (logged): the
    // main window is then the way in.
    bool install();
    bool trayAvailable() const { return trayAvailable_; }

    // The recording state shown by the icon.
    void setRecording(bool recording);
    bool recording() const { return recording_; }

    QMenu* menu() const { return menu_.get(); }
    QAction* updateAction() const { return updateAction_; }
    QSystemTrayIcon* trayIcon() const { return tray_.get(); }

    static QString aboutTitle(const QString& version); // "About Mebo v%@"

private:
    void buildMenu();
    void refreshUpdateItem(bool checking);

    UpdateCheckHook& updates_;
    Actions actions_;
    QString version_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    QAction* updateAction_ = nullptr;
    QAction* recordAction_ = nullptr;
    QAction* recordAreaAction_ = nullptr;
    bool trayAvailable_ = false;
    bool recording_ = false;
};

} // namespace mebo
