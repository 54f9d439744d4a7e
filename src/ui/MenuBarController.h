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
namespace platform {
class Notifications;
}

// The status item: a tray icon (StatusNotifierItem, else the XEmbed tray) with the application's
// menu. Main thread only.
class MenuBarController : public QObject {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(CaptureMode)> startCapture; // source: the status menu
        std::function<void()> recordScreen;            // the source picker
        std::function<void()> stopRecording;
        std::function<void()> pauseResumeRecording;
        std::function<void()> openMain;
        std::function<void(SettingsTab)> openSettings;
        std::function<void()> quit;
        // Captures of a remembered target (the last area, the window in front), the colour
        // picker, and the delay before captures (seconds).
        std::function<void(CaptureRequest::Target)> captureTarget;
        std::function<void()> pickColor;
        std::function<int()> delay;
        std::function<void(int)> setDelay;
    };

    MenuBarController(UpdateCheckHook& updates, Actions actions, QString version, QObject* parent = nullptr);
    ~MenuBarController() override;

    // Builds the menu and shows the icon. False when the desktop has no tray (logged): the
    // main window is then the way in.
    bool install();
    bool trayAvailable() const { return trayAvailable_; }

    // Desktop notifications for announce(); null leaves it to the tray's own message.
    void setNotifications(platform::Notifications* notifications) { notifications_ = notifications; }
    // A short message for the user: a desktop notification, else the tray icon's balloon, else
    // only the log.
    void announce(const QString& title, const QString& body);

    // Seconds before a delayed capture, shown on the icon; 0 shows the icon as usual.
    void setCountdown(int secondsLeft);

    // The recording state shown by the icon.
    void setRecording(bool recording);
    bool recording() const { return recording_; }
    // While recording: paused or not, and the status the tooltip and the Stop item show
    // ("Recording 00:12").
    void setRecordingStatus(bool paused, const QString& status);
    QAction* pauseAction() const { return pauseAction_; }

    QMenu* menu() const { return menu_.get(); }
    QAction* updateAction() const { return updateAction_; }
    QSystemTrayIcon* trayIcon() const { return tray_.get(); }

    static QString aboutTitle(const QString& version); // "About Mebo v%@"

private:
    void buildMenu();
    void refreshUpdateItem(bool checking);

    UpdateCheckHook& updates_;
    platform::Notifications* notifications_ = nullptr;
    Actions actions_;
    QString version_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    QAction* updateAction_ = nullptr;
    QAction* recordAction_ = nullptr;
    QAction* recordAreaAction_ = nullptr;
    QAction* pauseAction_ = nullptr;
    bool paused_ = false;
    QString recordingStatus_;
    bool trayAvailable_ = false;
    bool recording_ = false;
    int countdown_ = 0;
};

} // namespace mebo
