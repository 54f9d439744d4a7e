#include "services/NorvikUserDriver.h"

#include "app/AppLogger.h"
#include "services/Norvik.h"

namespace mebo {

NorvikUserDriver::NorvikUserDriver(Norvik* facade) : facade_(facade) {}

bool NorvikUserDriver::answerDownload(UpdateChoice choice) {
    if (!downloadReply_) {
        return false;
    }
    auto reply = std::move(downloadReply_);
    downloadReply_ = nullptr;
    reply(choice);
    return true;
}

bool NorvikUserDriver::answerInstall(InstallChoice choice) {
    if (!installReply_) {
        return false;
    }
    auto reply = std::move(installReply_);
    installReply_ = nullptr;
    reply(choice);
    return true;
}

void NorvikUserDriver::showUpdateFound(const AppcastItem& item, bool,
                                       std::function<void(UpdateChoice)> reply) {
    logInfo(QStringLiteral("[Norvik] 發現更新: ") + item.displayVersion());
    installReply_ = nullptr;
    if (autoStartDownload) {
        logInfo(QStringLiteral("[Norvik] 自動開始下載"));
        reply(UpdateChoice::install);
        return;
    }
    downloadReply_ = std::move(reply);
}

void NorvikUserDriver::showDownloadInitiated() {
    downloadedLength = 0;
    expectedContentLength = 0;
    if (onDownloadProgress) {
        onDownloadProgress(0.0);
    }
}

void NorvikUserDriver::showDownloadDidReceiveExpectedContentLength(quint64 bytes) {
    logInfo(QStringLiteral("[Norvik] 預期大小: %1 bytes").arg(bytes));
    expectedContentLength = bytes;
    reportProgress();
}

void NorvikUserDriver::showDownloadDidReceiveDataOfLength(quint64 bytes) {
    downloadedLength += bytes;
    reportProgress();
}

void NorvikUserDriver::reportProgress() {
    if (expectedContentLength == 0) {
        return; // no fraction without a length
    }
    const double fraction = std::min(1.0, double(downloadedLength) / double(expectedContentLength));
    if (onDownloadProgress) {
        onDownloadProgress(fraction);
    }
}

void NorvikUserDriver::showDownloadDidStartExtractingUpdate() {
    logInfo(QStringLiteral("[Norvik] 開始解壓"));
}

void NorvikUserDriver::showExtractionReceivedProgress(double) {}

void NorvikUserDriver::showReadyToInstall(std::function<void(InstallChoice)> reply) {
    logInfo(QStringLiteral("[Norvik] 準備安裝"));
    installReply_ = std::move(reply);
    if (facade_) {
        facade_->setStatus(UpdateCheckStatus::readyToInstall());
    }
    if (onReadyToInstall) {
        onReadyToInstall();
    }
}

void NorvikUserDriver::showInstallingUpdate() {
    logInfo(QStringLiteral("[Norvik] 正在安裝..."));
}

void NorvikUserDriver::showUpdateInstalled(bool) {
    logInfo(QStringLiteral("[Norvik] 安裝完成"));
}

void NorvikUserDriver::showUpdaterError(const QString& message) {
    logError(QStringLiteral("[Norvik] 錯誤: ") + message);
    downloadReply_ = nullptr;
    installReply_ = nullptr;
    if (onErr) {
        onErr(message);
    }
}

void NorvikUserDriver::dismissUpdateInstallation() {
    downloadReply_ = nullptr;
}

} // namespace mebo
