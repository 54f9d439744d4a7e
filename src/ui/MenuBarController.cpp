#include "ui/MenuBarController.h"

#include "app/AppLogger.h"
#include "app/BuildFeatures.h"
#include "app/CapturePrefs.h"
#include "app/UpdateCheckHook.h"
#include "platform/Notifications.h"
#include "ui/StatusIcon.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSystemTrayIcon>
#include <algorithm>

namespace mebo {

namespace {
const char* kCheckForUpdates = "Check for Updates...";
const char* kChecking = "Checking...";
} // namespace

MenuBarController::MenuBarController(UpdateCheckHook& updates, Actions actions, QString version,
                                     QObject* parent)
    : QObject(parent), updates_(updates), actions_(std::move(actions)), version_(std::move(version)) {
    connect(&updates_, &UpdateCheckHook::checkingChanged, this,
            [this](bool checking) { refreshUpdateItem(checking); });
}

MenuBarController::~MenuBarController() {
    if (tray_) {
        tray_->hide();
    }
}

QString MenuBarController::aboutTitle(const QString& version) {
    return tr("About Mebo v%1").arg(version);
}

void MenuBarController::buildMenu() {
    menu_ = std::make_unique<QMenu>();
    menu_->setToolTipsVisible(true);
    // An item of a feature this build lacks stays disabled and says so.
    auto gate = [](QAction* a, Feature feature) {
        if (!BuildFeatures::has(feature)) {
            a->setEnabled(false);
            a->setToolTip(BuildFeatures::unavailableText(feature));
        }
    };
    auto add = [this](const QString& title, std::function<void()> run) {
        QAction* a = menu_->addAction(title);
        connect(a, &QAction::triggered, this, [run = std::move(run)] {
            if (run) {
                run();
            }
        });
        return a;
    };
    add(tr("Capture Area / Window"), [this] { actions_.startCapture(CaptureMode::area); });
    add(tr("Capture Full Screen"), [this] { actions_.startCapture(CaptureMode::fullscreen); });
    gate(add(tr("Scrolling Capture"), [this] { actions_.startCapture(CaptureMode::scroll); }),
         Feature::scrollCapture);
    // While recording, the first recording item stops it.
    recordAction_ = add(recording_ ? tr("Stop Recording") : tr("Record Screen..."), [this] {
        if (recording_ && actions_.stopRecording) {
            actions_.stopRecording();
        } else if (!recording_ && actions_.recordScreen) {
            actions_.recordScreen();
        }
    });
    recordAreaAction_ = add(tr("Record Area..."), [this] { actions_.startCapture(CaptureMode::recordArea); });
    recordAreaAction_->setEnabled(!recording_);
    gate(recordAction_, Feature::screenRecording);
    gate(recordAreaAction_, Feature::screenRecording);
    add(tr("Capture Active Window"),
        [this] { actions_.captureTarget(CaptureRequest::Target::activeWindow); });
    add(tr("Capture Last Region"), [this] { actions_.captureTarget(CaptureRequest::Target::lastRegion); });
    add(tr("Pick Color"), [this] {
        actions_.pickColor();
    })->setToolTip(tr("Copies the colour under the pointer as #RRGGBB"));
    QMenu* delay = menu_->addMenu(tr("Delay"));
    delay->setObjectName(QStringLiteral("delayMenu"));
    auto* delays = new QActionGroup(delay);
    for (int seconds : CapturePrefs::offeredDelays()) {
        QAction* a = delay->addAction(seconds == 0 ? tr("Off") : tr("%n seconds", nullptr, seconds));
        a->setCheckable(true);
        a->setData(seconds);
        delays->addAction(a);
        connect(a, &QAction::triggered, this, [this, seconds] {
            if (actions_.setDelay) {
                actions_.setDelay(seconds);
            }
        });
    }
    connect(delay, &QMenu::aboutToShow, this, [this, delay] {
        const int current = actions_.delay ? actions_.delay() : 0;
        for (QAction* a : delay->actions()) {
            a->setChecked(a->data().toInt() == current);
        }
    });
    menu_->addSeparator();
    add(tr("Open Mebo"), [this] { actions_.openMain(); });
    add(tr("Settings..."), [this] { actions_.openSettings(SettingsTab::general); });
    updateAction_ = add(tr(kCheckForUpdates), [this] {
        actions_.openSettings(SettingsTab::about);
        updates_.requestCheck();
    });
    add(tr("Logs"), [this] { actions_.openSettings(SettingsTab::logs); });
    menu_->addSeparator();
    add(aboutTitle(version_), [this] { actions_.openSettings(SettingsTab::about); });
    add(tr("Quit Mebo"), [this] { actions_.quit(); });
    refreshUpdateItem(updates_.isChecking());
}

bool MenuBarController::install() {
    buildMenu();
    trayAvailable_ = QSystemTrayIcon::isSystemTrayAvailable();
    if (trayAvailable_) {
        tray_ = std::make_unique<QSystemTrayIcon>(StatusIcon::viewfinder(recording_));
        tray_->setToolTip(QStringLiteral("Mebo"));
        tray_->setContextMenu(menu_.get());
        // A left click opens the same menu: the tray is the application's only entry point.
        connect(tray_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
            if (r == QSystemTrayIcon::Trigger) {
                menu_->popup(QCursor::pos());
            }
        });
        tray_->show();
    } else {
        logWarning(
            QStringLiteral("[MenuBar] no system tray on this desktop (no StatusNotifierItem host and no "
                           "XEmbed tray): the main window stays open and holds the menu"));
    }
    logInfo(QStringLiteral("[MenuBar] 完整菜單已安裝"));
    return trayAvailable_;
}

void MenuBarController::announce(const QString& title, const QString& body) {
    logInfo(QStringLiteral("[MenuBar] ") + title + QStringLiteral(": ") + body);
    if (notifications_ && notifications_->isAvailable() &&
        notifications_->notify({title, body, {}, {}}, {})) {
        return;
    }
    if (tray_ && tray_->isVisible() && QSystemTrayIcon::supportsMessages()) {
        tray_->showMessage(title, body, QSystemTrayIcon::Information, 8000);
    }
}

void MenuBarController::setCountdown(int secondsLeft) {
    countdown_ = std::max(0, secondsLeft);
    if (!tray_) {
        return;
    }
    tray_->setIcon(countdown_ > 0 ? StatusIcon::countdown(countdown_) : StatusIcon::viewfinder(recording_));
    tray_->setToolTip(countdown_ > 0 ? tr("Mebo — capturing in %n s", nullptr, countdown_)
                                     : QStringLiteral("Mebo"));
}

void MenuBarController::setRecordingStatus(bool paused, const QString& status) {
    paused_ = paused;
    recordingStatus_ = status;
    if (!recording_) {
        return;
    }
    if (recordAction_) {
        recordAction_->setText(tr("Stop Recording") + QStringLiteral(" (") + status + QLatin1Char(')'));
    }
    if (pauseAction_) {
        pauseAction_->setText(paused ? tr("Resume Recording") : tr("Pause Recording"));
    }
    if (tray_ && countdown_ == 0) {
        tray_->setIcon(paused ? StatusIcon::recordingPaused() : StatusIcon::viewfinder(true));
        tray_->setToolTip(QStringLiteral("Mebo — ") + status);
    }
}

void MenuBarController::setRecording(bool recording) {
    recording_ = recording;
    if (!recording) {
        paused_ = false;
    }
    // The pause item is in the menu only while recording.
    if (recording && !pauseAction_ && menu_ && recordAreaAction_) {
        pauseAction_ = new QAction(tr("Pause Recording"), menu_.get());
        menu_->insertAction(recordAreaAction_, pauseAction_);
        connect(pauseAction_, &QAction::triggered, this, [this] {
            if (recording_ && actions_.pauseResumeRecording) {
                actions_.pauseResumeRecording();
            }
        });
    } else if (!recording && pauseAction_) {
        menu_->removeAction(pauseAction_);
        delete std::exchange(pauseAction_, nullptr);
    }
    if (recordAction_) {
        recordAction_->setText(recording ? tr("Stop Recording") : tr("Record Screen..."));
    }
    if (recordAreaAction_) {
        recordAreaAction_->setEnabled(!recording);
    }
    if (tray_) {
        tray_->setIcon(StatusIcon::viewfinder(recording));
        tray_->setToolTip(recording ? tr("Mebo — recording") : QStringLiteral("Mebo"));
    }
}

void MenuBarController::refreshUpdateItem(bool checking) {
    if (!updateAction_) {
        return;
    }
    updateAction_->setText(checking ? tr(kChecking) : tr(kCheckForUpdates));
    updateAction_->setEnabled(!checking && BuildFeatures::has(Feature::updateCheck));
    if (!BuildFeatures::has(Feature::updateCheck)) {
        updateAction_->setToolTip(BuildFeatures::unavailableText(Feature::updateCheck));
    }
}

} // namespace mebo
