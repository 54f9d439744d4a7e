#pragma once

#include "services/UpdateCheckStatus.h"
#include "services/VersionMgr.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

namespace mebo {

class Norvik;
namespace platform {
class DefaultsStore;
}

// The application's update manager: a background check every four hours (skipped while the user
// captures or records, or when automatic checks are off), the manual check, the check offered
// when the settings window opens (at most one per five minutes), the status the settings window
// shows, and whether a downloaded update is installed at once or waits for the user. Main thread.
class UpdateMgr : public QObject {
    Q_OBJECT
public:
    enum class CheckFlow { manual, autoFlow, none };

    static constexpr int checkIntervalSec = 14400;
    static constexpr int checkTimeoutSec = 30;
    static constexpr int settingsThrottleSec = 300;
    static constexpr const char* disableAutoCheckKey = "WumoDisableAutoCheck";

    UpdateMgr(platform::DefaultsStore& defaults, Norvik& facade, VersionMgr version,
              QObject* parent = nullptr);

    // Loads the switch, observes the facade and schedules the background checks (at launch,
    // after the facade started).
    void start();

    // "Check for Updates...".
    void checkForUpdates();
    // The timer's check.
    void backgroundCheck();
    // The settings window opened: a background check unless one ran lately.
    void settingsOpened();
    // "Relaunch to Upgrade".
    void installAndRelaunch();
    void setDisableAutoCheck(bool disabled);

    const std::optional<QString>& availableVer() const { return availableVer_; }
    const UpdateCheckStatus& checkStatus() const { return checkStatus_; }
    bool isChecking() const { return isChecking_; }
    bool disableAutoCheck() const { return disableAutoCheck_; }
    const std::optional<QDateTime>& lastUpdateCheckDate() const { return lastUpdateCheckDate_; }
    CheckFlow lastCheckFlow() const { return lastCheckFlow_; }
    static QString flowName(CheckFlow flow);
    const VersionMgr& version() const { return version_; }
    Norvik& facade() { return facade_; }

    // Whether the user is capturing or recording (the capture coordinator's state).
    void setBusyProbe(std::function<bool()> busy) { busy_ = std::move(busy); }
    // Marks the application as quitting for an update (true) or not any more (false).
    void setQuittingForUpdate(std::function<void(bool)> mark) { markQuitting_ = std::move(mark); }
    // Ends the application once the new version is being started.
    void setTerminate(std::function<void()> terminate) { terminate_ = std::move(terminate); }
    // The clock of the settings throttle.
    void setClock(std::function<QDateTime()> now) { now_ = std::move(now); }
    void setCheckTimeoutMs(int ms) { checkTimeoutMs_ = ms; }

    const QTimer& autoCheckTimer() const { return autoCheckTimer_; }

    // The last update did not come up and the guard put `oldVersion` back: shown as an error, and
    // the version is skipped by background checks.
    void reportRolledBack(const QString& newVersion, const QString& oldVersion);

Q_SIGNALS:
    void changed();

private:
    void mapStatus();
    void onReadyToInstall();
    void beginCheck(CheckFlow flow);
    void onCheckTimeout();
    bool userBusy() const { return busy_ && busy_(); }
    void scheduleAutoCheck();

    platform::DefaultsStore& defaults_;
    Norvik& facade_;
    VersionMgr version_;
    std::optional<QString> availableVer_;
    UpdateCheckStatus checkStatus_;
    bool isChecking_ = false;
    bool disableAutoCheck_ = false;
    std::optional<QDateTime> lastUpdateCheckDate_;
    CheckFlow lastCheckFlow_ = CheckFlow::none;
    QTimer autoCheckTimer_;
    QTimer checkTimeoutTimer_;
    int checkTimeoutMs_ = checkTimeoutSec * 1000;
    std::function<bool()> busy_;
    std::function<void(bool)> markQuitting_;
    std::function<void()> terminate_;
    std::function<QDateTime()> now_;
};

} // namespace mebo
