#include "ui/MenuBarController.h"

#include "app/AppLogger.h"
#include "app/UpdateCheckHook.h"
#include "ui/StatusIcon.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

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
    add(tr("Scrolling Capture"), [this] { actions_.startCapture(CaptureMode::scroll); });
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

void MenuBarController::setRecording(bool recording) {
    recording_ = recording;
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
    updateAction_->setEnabled(!checking);
}

} // namespace mebo
