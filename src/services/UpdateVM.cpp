#include "services/UpdateVM.h"

#include "platform/Workspace.h"
#include "services/Appcast.h"
#include "services/Norvik.h"
#include "services/UpdateMgr.h"

#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <cmath>

namespace mebo {

UpdateVM::UpdateVM(UpdateMgr& updates, platform::Workspace& workspace, QObject* parent)
    : QObject(parent), updates_(updates), workspace_(workspace) {
    connect(&updates_, &UpdateMgr::changed, this, &UpdateVM::changed);
}

QString UpdateVM::statusText() const {
    const UpdateCheckStatus& s = updates_.checkStatus();
    switch (s.kind) {
    case UpdateCheckStatus::Kind::idle:
        return {}; // the tab shows the version above
    case UpdateCheckStatus::Kind::checking:
        return QStringLiteral("Checking for updates...");
    case UpdateCheckStatus::Kind::updateAvailable:
        return QStringLiteral("Mebo %1 is available.").arg(s.version);
    case UpdateCheckStatus::Kind::downloading:
        return QStringLiteral("Downloading Mebo %1... %2%")
            .arg(updates_.availableVer().value_or(QString()))
            .arg(progressPercent());
    case UpdateCheckStatus::Kind::readyToInstall:
        return downloadedText();
    case UpdateCheckStatus::Kind::upToDate:
        return QStringLiteral("Mebo %1 is up to date.").arg(updates_.version().version());
    case UpdateCheckStatus::Kind::error:
        break;
    }
    return s.message;
}

bool UpdateVM::isError() const {
    return updates_.checkStatus().is(UpdateCheckStatus::Kind::error);
}

bool UpdateVM::showsProgress() const {
    return updates_.checkStatus().is(UpdateCheckStatus::Kind::downloading);
}

int UpdateVM::progressPercent() const {
    return int(std::floor(std::clamp(updates_.checkStatus().progress, 0.0, 1.0) * 100.0));
}

bool UpdateVM::canCheck() const {
    const auto kind = updates_.checkStatus().kind;
    return !updates_.isChecking() && kind != UpdateCheckStatus::Kind::downloading &&
           kind != UpdateCheckStatus::Kind::readyToInstall;
}

bool UpdateVM::offersDownload() const {
    return updates_.checkStatus().is(UpdateCheckStatus::Kind::updateAvailable) &&
           updates_.facade().location().canInstall();
}

bool UpdateVM::offersDownloadPage() const {
    return updates_.checkStatus().is(UpdateCheckStatus::Kind::updateAvailable) &&
           !updates_.facade().location().canInstall() && downloadPage().isValid();
}

bool UpdateVM::offersRelaunch() const {
    return updates_.checkStatus().is(UpdateCheckStatus::Kind::readyToInstall);
}

const AppcastItem* UpdateVM::pendingItem() const {
    const auto kind = updates_.checkStatus().kind;
    const auto& item = updates_.facade().availableItem();
    const bool pending = kind == UpdateCheckStatus::Kind::updateAvailable ||
                         kind == UpdateCheckStatus::Kind::downloading ||
                         kind == UpdateCheckStatus::Kind::readyToInstall;
    return pending && item ? &*item : nullptr;
}

QString UpdateVM::releaseNotes() const {
    const AppcastItem* item = pendingItem();
    if (!item) {
        return {};
    }
    // Feeds describe releases in HTML; the tab shows the words.
    QString text = QTextDocumentFragment::fromHtml(item->description).toPlainText().trimmed();
    text.replace(QRegularExpression(QStringLiteral("\\n{3,}")), QStringLiteral("\n\n"));
    if (text.size() > releaseNotesMaxChars) {
        text = text.left(releaseNotesMaxChars).trimmed() + QStringLiteral("…");
    }
    return text;
}

bool UpdateVM::offersReleaseNotesLink() const {
    const AppcastItem* item = pendingItem();
    return item && QUrl(item->releaseNotesLink).isValid() && !item->releaseNotesLink.isEmpty();
}

void UpdateVM::openReleaseNotes() {
    if (offersReleaseNotesLink()) {
        workspace_.openUrl(QUrl(updates_.facade().availableItem()->releaseNotesLink));
    }
}

QString UpdateVM::installNotice() const {
    return updates_.facade().location().reason();
}

bool UpdateVM::autoCheckEnabled() const {
    return !updates_.disableAutoCheck();
}

void UpdateVM::checkForUpdates() {
    updates_.checkForUpdates();
}

void UpdateVM::downloadAndInstall() {
    updates_.facade().downloadAndInstall();
}

void UpdateVM::skipVersion() {
    updates_.facade().skipVersion();
}

void UpdateVM::relaunchToUpgrade() {
    updates_.installAndRelaunch();
}

QUrl UpdateVM::downloadPage() const {
    const auto& item = updates_.facade().availableItem();
    if (!item) {
        return {};
    }
    const QUrl notes(item->releaseNotesLink);
    return notes.isValid() && !notes.isEmpty() ? notes : item->enclosureUrl;
}

void UpdateVM::openDownloadPage() {
    const QUrl page = downloadPage();
    if (page.isValid()) {
        workspace_.openUrl(page);
    }
}

void UpdateVM::setAutoCheckEnabled(bool enabled) {
    updates_.setDisableAutoCheck(!enabled);
}

} // namespace mebo
