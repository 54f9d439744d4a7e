#include "app/AppDelegate.h"

#include "app/AppLogger.h"
#include "app/AppShell.h"
#include "app/CaptureUrl.h"
#include "capture/CaptureMgr.h"
#include "capture/ImageStore.h"
#include "library/HistoryStore.h"
#include "platform/DefaultsStore.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace mebo {

AppDelegate::AppDelegate(platform::DefaultsStore& defaults, ImageStore& images, HistoryStore& history,
                         CaptureMgr& capture, AppShell& shell, QObject* parent)
    : QObject(parent), defaults_(defaults), images_(images), history_(history), capture_(capture),
      shell_(shell), quit_([] { QCoreApplication::exit(0); }) {}

AppDelegate::~AppDelegate() = default;

void AppDelegate::logLaunch(const QString& version, const QString& buildNumber) {
    const QString shortVersion = version.isEmpty() ? QStringLiteral("0.1.0") : version;
    logInfo(QStringLiteral("[AppDelegate] Mebo 啟動 (build ") + shortVersion + QStringLiteral(" (") +
            buildNumber + QStringLiteral("))"));
}

void AppDelegate::finishLaunching() {
    shell_.setUpStatusItem();
    images_.ensureSaveDirectory();
    history_.load();
    history_.setFollowsOtherProcesses(true);
    shell_.buildMainMenu();
    shell_.installKeyMonitors();
    if (!defaults_.object(QString::fromLatin1(firstLaunchKey)).toBool()) {
        QTimer::singleShot(firstLaunchDelayMs, this, [this] { runFirstLaunchRule(); });
    }
}

void AppDelegate::runFirstLaunchRule() {
    const QString key = QString::fromLatin1(firstLaunchKey);
    if (didReceiveUrlDuringLaunch_) {
        logInfo(QStringLiteral("[AppDelegate] 啟動時收到 URL Scheme, 跳過 first-launch Settings 彈窗"));
        defaults_.set(key, true);
        return;
    }
    defaults_.set(key, true);
    shell_.showSettings(SettingsTab::general);
}

void AppDelegate::handleUrl(const QString& urlText) {
    if (CaptureUrl::isReadable(urlText)) {
        didReceiveUrlDuringLaunch_ = true;
    }
    const auto mode = CaptureUrl::modeFor(urlText);
    if (!mode) {
        return;
    }
    // Handed over from a socket or read at launch: the capture starts from the event loop, like
    // every other request.
    QPointer<AppDelegate> self(this);
    QTimer::singleShot(0, this, [self, mode] {
        if (self) {
            self->capture_.start(CaptureRequest{*mode, CaptureRequest::Source::urlScheme});
        }
    });
}

void AppDelegate::handleLaunchArguments(const QStringList& arguments) {
    bool anyUrl = false;
    for (const QString& arg : arguments) {
        if (arg.startsWith(QLatin1Char('-'))) {
            continue; // options such as --verbose belong to the launch that passed them
        }
        anyUrl = true;
        handleUrl(arg);
    }
    if (!anyUrl) {
        reopen(); // launched again from the desktop: as clicking the application's icon
    }
}

bool AppDelegate::reopen() {
    if (!shell_.anyWindowVisible()) {
        shell_.showMainWindow();
    }
    return true;
}

bool AppDelegate::shouldTerminate(TerminateReason reason) {
    if (quitRequested_ || allowTermination_ || reason != TerminateReason::ordinary) {
        return true;
    }
    shell_.hideAllWindows();
    return false;
}

void AppDelegate::quitRequested() {
    quitRequested_ = true;
    if (shouldTerminate(TerminateReason::quitRequested)) {
        quit_();
    }
}

void AppDelegate::willTerminate() {
    if (terminated_) {
        return;
    }
    terminated_ = true;
    logInfo(QStringLiteral("[AppDelegate] Mebo 退出"));
    shell_.removeKeyMonitors();
}

} // namespace mebo
