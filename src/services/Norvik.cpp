#include "services/Norvik.h"

#include "app/AppLogger.h"
#include "platform/DefaultsStore.h"

namespace mebo {

Norvik::Norvik(platform::DefaultsStore& defaults, std::shared_ptr<const platform::CodeSigning> signing,
               QString feedUrl, AppcastUpdater::Host host, QObject* parent)
    : QObject(parent), defaults_(defaults), signing_(std::move(signing)), feedUrl_(std::move(feedUrl)),
      host_(std::move(host)), userDriver_(this) {
    if (!host_.skippedVersion) {
        host_.skippedVersion = [this] {
            return defaults_.object(QString::fromLatin1(skippedVersionKey)).toString();
        };
    }
    userDriver_.onErr = [this](const QString& message) { setStatus(Status::error(message)); };
    userDriver_.onDownloadProgress = [this](double fraction) { setStatus(Status::downloading(fraction)); };
    checkTimeoutTimer_.setSingleShot(true);
    connect(&checkTimeoutTimer_, &QTimer::timeout, this, &Norvik::onCheckTimeout);
}

Norvik::~Norvik() {
    // The updater calls back into the driver and this delegate; it goes first.
    updater_.reset();
}

void Norvik::start() {
    logInfo(QStringLiteral("[Norvik] 初始化"));
    if (feedUrl_.isEmpty()) {
        logWarning(QStringLiteral("[Norvik] NVFeedURL 未設置（需 consumer 在 Info.plist 配置）"));
    } else {
        logInfo(QStringLiteral("[Norvik] NVFeedURL: ") + feedUrl_);
    }
    // The updater has no schedule of its own: the update manager decides when to check.
    updater_ = std::make_unique<AppcastUpdater>(host_, userDriver_, *this, signing_);
    startError_ = updater_->start();
    if (startError_.isEmpty()) {
        logInfo(QStringLiteral("[Norvik] SPUUpdater 啟動成功"));
    } else {
        logError(QStringLiteral("[Norvik] SPUUpdater 啟動失敗: ") + startError_);
    }
}

void Norvik::setStatus(const Status& status) {
    status_ = status;
    Q_EMIT statusChanged();
}

void Norvik::check(bool userInitiated) {
    if (!userInitiated) {
        checkInBackground();
        return;
    }
    if (updater_ && updater_->sessionInProgress()) {
        logInfo(QStringLiteral("[Norvik] check skipped: session already in progress"));
        Q_EMIT statusChanged(); // the session's state stands; observers waiting for an answer get it
        return;
    }
    startCheck(true);
}

void Norvik::checkInBackground() {
    if (updater_ && updater_->sessionInProgress()) {
        logInfo(QStringLiteral("[Norvik] checkInBackground skipped: session already in progress"));
        Q_EMIT statusChanged();
        return;
    }
    startCheck(false);
}

void Norvik::startCheck(bool userInitiated) {
    if (!updater_ || !updater_->isStarted()) {
        setStatus(Status::error(startError_.isEmpty()
                                    ? QStringLiteral("The updater is not running.")
                                    : QStringLiteral("Updates are unavailable: ") + startError_));
        return;
    }
    if (!updater_->canCheckForUpdates()) {
        return;
    }
    // A background check downloads what it finds, where the update can be installed.
    userDriver_.autoStartDownload = !userInitiated && host_.location.canInstall();
    setStatus(Status::checking());
    checkTimeoutTimer_.start(checkTimeoutMs_);
    if (userInitiated) {
        updater_->checkForUpdates();
    } else {
        updater_->checkForUpdatesInBackground();
    }
}

void Norvik::onCheckTimeout() {
    if (!status_.is(Status::Kind::checking)) {
        return;
    }
    logError(QStringLiteral("[Norvik] ❌ 檢查超時 (%1s)").arg(checkTimeoutMs_ / 1000));
    updater_->cancelSession();
    setStatus(Status::error(QStringLiteral("檢查超時，請稍後再試")));
}

void Norvik::downloadAndInstall() {
    if (!userDriver_.answerDownload(UpdateChoice::install)) {
        logWarning(QStringLiteral("[Norvik] downloadAndInstall: 沒有待下載的更新"));
    }
}

void Norvik::skipVersion() {
    const QString version = availableVersion_.value_or(QString());
    logInfo(QStringLiteral("[Norvik] skip version: ") + version);
    if (!version.isEmpty()) {
        defaults_.set(QString::fromLatin1(skippedVersionKey), version);
    }
    if (userDriver_.answerDownload(UpdateChoice::skip)) {
        setStatus(Status::idle());
    }
}

void Norvik::remindLater() {
    if (userDriver_.answerDownload(UpdateChoice::dismiss)) {
        setStatus(Status::idle());
    }
}

void Norvik::installAndRelaunch() {
    logInfo(QStringLiteral("[Norvik] installAndRelaunch"));
    if (!userDriver_.answerInstall(InstallChoice::installAndRelaunch)) {
        logWarning(QStringLiteral("[Norvik] installAndRelaunch: 沒有已下載的更新"));
    }
}

void Norvik::tryInstallOnDeactivate() {
    if (userDriver_.hasInstallReply()) {
        logInfo(QStringLiteral("[Norvik] tryInstallOnDeactivate"));
        userDriver_.answerInstall(InstallChoice::installWithoutRelaunch);
    }
}

void Norvik::didFindValidUpdate(const AppcastItem& item) {
    checkTimeoutTimer_.stop();
    availableVersion_ = item.displayVersion();
    availableBuildNumber_ = item.version;
    availableItem_ = item;
    logInfo(QStringLiteral("[Norvik] didFindValidUpdate: %1 (build %2)")
                .arg(item.displayVersion(), item.version));
    setStatus(Status::updateAvailable(item.displayVersion()));
    Q_EMIT availableVersionChanged();
}

void Norvik::noUpdate() {
    logInfo(QStringLiteral("[Norvik] 已是最新版本"));
    lastUpdateCheckDate_ = QDateTime::currentDateTimeUtc();
    setStatus(Status::upToDate());
}

void Norvik::didNotFindUpdate() {
    checkTimeoutTimer_.stop();
    noUpdate();
}

void Norvik::didAbortWithError(const UpdaterError& error) {
    checkTimeoutTimer_.stop();
    if (error.code == suNoUpdateErrCode) {
        noUpdate();
        return;
    }
    logError(QStringLiteral("[Norvik] didAbortWithError: ") + error.description);
    setStatus(Status::error(error.description));
}

void Norvik::didFinishUpdateCycle(bool, const std::optional<UpdaterError>&) {
    checkTimeoutTimer_.stop();
}

void Norvik::willRelaunchApplication() {
    Q_EMIT willRelaunch();
}

} // namespace mebo
