#pragma once

#include "services/AppcastUpdater.h"
#include "services/NorvikUserDriver.h"
#include "services/UpdateCheckStatus.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <optional>

namespace mebo {

namespace platform {
class CodeSigning;
class DefaultsStore;
} // namespace platform

// The update facade: owns the updater and its silent user driver, exposes one observable status
// and ends a check that gets no answer within `checkTimeout`. Main thread.
class Norvik : public QObject, public UpdaterDelegate {
    Q_OBJECT
public:
    using Status = UpdateCheckStatus;
    static constexpr int checkTimeoutSec = 30;
    static constexpr int suNoUpdateErrCode = UpdaterError::noUpdate;
    static constexpr const char* skippedVersionKey = "NorvikSkippedVersion";

    // `feedUrl`: the appcast ("NVFeedURL"); empty when the build has none.
    Norvik(platform::DefaultsStore& defaults, std::shared_ptr<const platform::CodeSigning> signing,
           QString feedUrl, AppcastUpdater::Host host, QObject* parent = nullptr);
    ~Norvik() override;

    // Creates and starts the updater (at launch).
    void start();

    void check(bool userInitiated);
    void checkInBackground();
    // The user's answers to a found update.
    void downloadAndInstall();
    void skipVersion();
    void remindLater();
    // The user's answer to a downloaded one.
    void installAndRelaunch();
    // Installs a downloaded update without relaunching (the application is ending).
    void tryInstallOnDeactivate();

    const Status& status() const { return status_; }
    const std::optional<QString>& availableVersion() const { return availableVersion_; }
    const std::optional<QString>& availableBuildNumber() const { return availableBuildNumber_; }
    const std::optional<AppcastItem>& availableItem() const { return availableItem_; }
    const std::optional<QDateTime>& lastUpdateCheckDate() const { return lastUpdateCheckDate_; }
    const InstallLocation& location() const { return host_.location; }
    // Why the updater could not start; empty once it runs.
    const QString& startError() const { return startError_; }

    void setCheckTimeoutMs(int ms) { checkTimeoutMs_ = ms; }
    int checkTimeoutMs() const { return checkTimeoutMs_; }
    // Sets the status and tells the observers (the user driver reports through it too).
    void setStatus(const Status& status);

    // UpdaterDelegate.
    QString feedUrlString() override { return feedUrl_; }
    void didFindValidUpdate(const AppcastItem& item) override;
    void didNotFindUpdate() override;
    void didAbortWithError(const UpdaterError& error) override;
    void didFinishUpdateCycle(bool userInitiated, const std::optional<UpdaterError>& error) override;
    void willRelaunchApplication() override;

Q_SIGNALS:
    void statusChanged();
    void availableVersionChanged();
    // The new version is being started; the application should end.
    void willRelaunch();

private:
    void startCheck(bool userInitiated);
    void onCheckTimeout();
    void noUpdate();

    platform::DefaultsStore& defaults_;
    std::shared_ptr<const platform::CodeSigning> signing_;
    QString feedUrl_;
    AppcastUpdater::Host host_;
    NorvikUserDriver userDriver_;
    std::unique_ptr<AppcastUpdater> updater_;
    QString startError_;
    Status status_;
    std::optional<QString> availableVersion_;
    std::optional<QString> availableBuildNumber_;
    std::optional<AppcastItem> availableItem_;
    std::optional<QDateTime> lastUpdateCheckDate_;
    QTimer checkTimeoutTimer_;
    int checkTimeoutMs_ = checkTimeoutSec * 1000;
};

} // namespace mebo
