#include "services/UpdateMgr.h"

#include "app/AppLogger.h"
#include "platform/DefaultsStore.h"
#include "services/Norvik.h"

namespace mebo {

UpdateMgr::UpdateMgr(platform::DefaultsStore& defaults, Norvik& facade, VersionMgr version, QObject* parent)
    : QObject(parent), defaults_(defaults), facade_(facade), version_(std::move(version)),
      now_([] { return QDateTime::currentDateTimeUtc(); }) {
    autoCheckTimer_.setInterval(checkIntervalSec * 1000);
    connect(&autoCheckTimer_, &QTimer::timeout, this, &UpdateMgr::backgroundCheck);
    checkTimeoutTimer_.setSingleShot(true);
    connect(&checkTimeoutTimer_, &QTimer::timeout, this, &UpdateMgr::onCheckTimeout);
}

QString UpdateMgr::flowName(CheckFlow flow) {
    switch (flow) {
    case CheckFlow::manual:
        return QStringLiteral("manual");
    case CheckFlow::autoFlow:
        return QStringLiteral("auto");
    case CheckFlow::none:
        break;
    }
    return QStringLiteral("none");
}

void UpdateMgr::start() {
    const QString key = QString::fromLatin1(disableAutoCheckKey);
    defaults_.registerDefaults({{key, false}});
    disableAutoCheck_ = defaults_.object(key).toBool();
    lastCheckFlow_ = CheckFlow::none;
    logInfo(QStringLiteral("[更新] 初始化 (Norvik facade)"));
    connect(&facade_, &Norvik::statusChanged, this, &UpdateMgr::mapStatus);
    connect(&facade_, &Norvik::availableVersionChanged, this, &UpdateMgr::mapStatus);
    connect(&facade_, &Norvik::willRelaunch, this, [this] {
        if (terminate_) {
            terminate_();
        }
    });
    if (!disableAutoCheck_) {
        scheduleAutoCheck();
    }
}

void UpdateMgr::scheduleAutoCheck() {
    autoCheckTimer_.start();
}

void UpdateMgr::beginCheck(CheckFlow flow) {
    lastCheckFlow_ = flow;
    isChecking_ = true;
    checkStatus_ = UpdateCheckStatus::checking();
    checkTimeoutTimer_.start(checkTimeoutMs_);
    Q_EMIT changed();
    if (flow == CheckFlow::manual) {
        facade_.check(true);
    } else {
        facade_.checkInBackground();
    }
}

void UpdateMgr::backgroundCheck() {
    logInfo(QStringLiteral("[更新] 後台檢查"));
    if (disableAutoCheck_) {
        logInfo(QStringLiteral("[更新] 後台檢查跳過 — disableAutoCheck=true"));
        return;
    }
    if (isChecking_) {
        logInfo(QStringLiteral("[更新] 後台檢查跳過 — 已在檢查中"));
        return;
    }
    if (userBusy()) {
        logInfo(QStringLiteral("[更新] 後台檢查跳過 — 用戶忙碌 (截屏/錄屏中)"));
        return;
    }
    beginCheck(CheckFlow::autoFlow);
}

void UpdateMgr::checkForUpdates() {
    if (isChecking_) {
        return;
    }
    logInfo(QStringLiteral("[更新] 手動檢查"));
    logInfo(QStringLiteral("[更新] 當前版本: %1 (build %2)").arg(version_.version(), version_.buildNumber()));
    beginCheck(CheckFlow::manual);
}

void UpdateMgr::settingsOpened() {
    const QString last = lastUpdateCheckDate_ ? lastUpdateCheckDate_->toLocalTime().toString(Qt::ISODate)
                                              : QStringLiteral("nil");
    logInfo(QStringLiteral("[更新] Settings opened, 評估自動檢查 (lastCheck=%1)").arg(last));
    if (disableAutoCheck_) {
        logInfo(QStringLiteral("[更新] 跳過自動檢查 — disableAutoCheck=true"));
        return;
    }
    if (isChecking_) {
        logInfo(QStringLiteral("[更新] 跳過自動檢查 — 已在檢查中"));
        return;
    }
    if (lastUpdateCheckDate_) {
        const qint64 since = lastUpdateCheckDate_->secsTo(now_());
        if (since < settingsThrottleSec) {
            logInfo(QStringLiteral("[更新] 跳過自動檢查 — 5 分鐘節流 (距上次 %1s)").arg(since));
            return;
        }
    }
    backgroundCheck();
}

void UpdateMgr::onCheckTimeout() {
    if (!isChecking_) {
        return;
    }
    logError(QStringLiteral("[更新] ❌ 檢查超時"));
    isChecking_ = false;
    checkStatus_ = UpdateCheckStatus::error(QStringLiteral("Check timeout, please try again later"));
    Q_EMIT changed();
}

void UpdateMgr::mapStatus() {
    checkTimeoutTimer_.stop();
    const UpdateCheckStatus& status = facade_.status();
    const bool progressOnly = status.is(UpdateCheckStatus::Kind::downloading) &&
                              checkStatus_.is(UpdateCheckStatus::Kind::downloading);
    isChecking_ = status.is(UpdateCheckStatus::Kind::checking);
    checkStatus_ = status;
    availableVer_ = facade_.availableVersion();
    if (facade_.lastUpdateCheckDate()) {
        lastUpdateCheckDate_ = facade_.lastUpdateCheckDate();
    }
    // Progress steps of a running download are not worth a log line each.
    if (!progressOnly) {
        QString name = QStringLiteral("?");
        if (status.is(UpdateCheckStatus::Kind::updateAvailable) ||
            status.is(UpdateCheckStatus::Kind::upToDate) ||
            status.is(UpdateCheckStatus::Kind::readyToInstall)) {
            name = status.name();
        }
        logInfo(QStringLiteral("[更新] 比對 本地=%1/%2 遠端=%3/%4 → %5")
                    .arg(version_.version(), version_.buildNumber(),
                         facade_.availableVersion().value_or(QStringLiteral("nil")),
                         facade_.availableBuildNumber().value_or(QStringLiteral("nil")), name));
    }
    Q_EMIT changed();
    if (status.is(UpdateCheckStatus::Kind::readyToInstall) && !progressOnly) {
        onReadyToInstall();
    }
}

void UpdateMgr::onReadyToInstall() {
    const bool busy = userBusy();
    const QString line =
        QStringLiteral("[更新] readyToInstall — flow=%1, busy=%2")
            .arg(flowName(lastCheckFlow_), busy ? QStringLiteral("true") : QStringLiteral("false"));
    if (lastCheckFlow_ == CheckFlow::autoFlow && !busy) {
        logInfo(line);
        logInfo(QStringLiteral("[更新] auto flow + 不忙 → 自動重啟升級"));
        installAndRelaunch();
        return;
    }
    logInfo(line + QStringLiteral(" → 等用戶手動點按鈕"));
}

void UpdateMgr::installAndRelaunch() {
    logInfo(QStringLiteral("[更新] 安裝並重啟"));
    if (markQuitting_) {
        markQuitting_(true);
    }
    facade_.installAndRelaunch();
    // The install failed (the status says why): the application stays.
    if (markQuitting_ && facade_.status().is(UpdateCheckStatus::Kind::error)) {
        markQuitting_(false);
    }
}

void UpdateMgr::setDisableAutoCheck(bool disabled) {
    disableAutoCheck_ = disabled;
    defaults_.set(QString::fromLatin1(disableAutoCheckKey), disabled);
    if (disabled) {
        autoCheckTimer_.stop();
    } else {
        scheduleAutoCheck();
    }
    Q_EMIT changed();
}

void UpdateMgr::reportRolledBack(const QString& newVersion, const QString& oldVersion) {
    logError(QStringLiteral("[更新] 新版本 %1 未能啟動, 已回滾到 %2").arg(newVersion, oldVersion));
    // Background checks would install it again at once; only the user's own check offers it now.
    defaults_.set(QString::fromLatin1(Norvik::skippedVersionKey), newVersion);
    checkStatus_ = UpdateCheckStatus::error(
        QStringLiteral("Mebo %1 did not start, so %2 was put back.").arg(newVersion, oldVersion));
    Q_EMIT changed();
}

} // namespace mebo
