#pragma once

#include "services/Appcast.h"

#include <QString>
#include <functional>
#include <optional>

namespace mebo {

// What the user answers when an update was found, and when it is ready to install.
enum class UpdateChoice { install, dismiss, skip };
enum class InstallChoice { installAndRelaunch, installWithoutRelaunch, dismiss };

struct UpdaterError {
    static constexpr int noUpdate = 1001;     // a check that found nothing newer
    static constexpr int feedFailed = 2001;   // the feed could not be loaded or read
    static constexpr int updateFailed = 2002; // download, verification, unpacking or install failed
    int code = 0;
    QString description;
};

// The updater's questions and progress, answered by whoever shows them (a silent driver here:
// the settings window shows the state instead of dialogs). Main thread.
class UpdaterUserDriver {
public:
    virtual ~UpdaterUserDriver() = default;
    virtual void showUpdateFound(const AppcastItem& item, bool userInitiated,
                                 std::function<void(UpdateChoice)> reply) = 0;
    virtual void showDownloadInitiated() = 0;
    virtual void showDownloadDidReceiveExpectedContentLength(quint64 bytes) = 0;
    virtual void showDownloadDidReceiveDataOfLength(quint64 bytes) = 0;
    virtual void showDownloadDidStartExtractingUpdate() = 0;
    virtual void showExtractionReceivedProgress(double fraction) = 0;
    virtual void showReadyToInstall(std::function<void(InstallChoice)> reply) = 0;
    virtual void showInstallingUpdate() = 0;
    virtual void showUpdateInstalled(bool relaunched) = 0;
    virtual void showUpdaterError(const QString& message) = 0;
    virtual void dismissUpdateInstallation() = 0;
};

// The updater's reports to its owner. Main thread.
class UpdaterDelegate {
public:
    virtual ~UpdaterDelegate() = default;
    // The appcast's address.
    virtual QString feedUrlString() = 0;
    virtual void didFindValidUpdate(const AppcastItem& item) = 0;
    virtual void didNotFindUpdate() = 0;
    virtual void didAbortWithError(const UpdaterError& error) = 0;
    virtual void didFinishUpdateCycle(bool userInitiated, const std::optional<UpdaterError>& error) = 0;
    // The new version is in place and is being started: this process should end now.
    virtual void willRelaunchApplication() = 0;
};

} // namespace mebo
