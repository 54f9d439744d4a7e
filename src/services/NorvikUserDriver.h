#pragma once

#include "services/UpdaterUserDriver.h"

#include <QPointer>
#include <functional>

namespace mebo {

class Norvik;

// The silent user driver: no dialogs; it logs each step, keeps the updater's pending replies for
// the facade and reports through its callbacks. Main thread.
class NorvikUserDriver : public UpdaterUserDriver {
public:
    explicit NorvikUserDriver(Norvik* facade);

    std::function<void(const QString&)> onErr;
    std::function<void(double)> onDownloadProgress;
    std::function<void()> onReadyToInstall;

    // Background checks start a found update's download without asking.
    bool autoStartDownload = false;
    quint64 expectedContentLength = 0;
    quint64 downloadedLength = 0;

    bool hasDownloadReply() const { return bool(downloadReply_); }
    bool hasInstallReply() const { return bool(installReply_); }
    // Answers the kept reply (once); false when there is none.
    bool answerDownload(UpdateChoice choice);
    bool answerInstall(InstallChoice choice);

    void showUpdateFound(const AppcastItem& item, bool userInitiated,
                         std::function<void(UpdateChoice)> reply) override;
    void showDownloadInitiated() override;
    void showDownloadDidReceiveExpectedContentLength(quint64 bytes) override;
    void showDownloadDidReceiveDataOfLength(quint64 bytes) override;
    void showDownloadDidStartExtractingUpdate() override;
    void showExtractionReceivedProgress(double fraction) override;
    void showReadyToInstall(std::function<void(InstallChoice)> reply) override;
    void showInstallingUpdate() override;
    void showUpdateInstalled(bool relaunched) override;
    void showUpdaterError(const QString& message) override;
    void dismissUpdateInstallation() override;

private:
    void reportProgress();

    QPointer<Norvik> facade_;
    std::function<void(UpdateChoice)> downloadReply_;
    std::function<void(InstallChoice)> installReply_;
};

} // namespace mebo
