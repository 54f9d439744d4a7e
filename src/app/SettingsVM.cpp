#include "app/SettingsVM.h"

#include "app/AppLogger.h"
#include "app/CapturePrefs.h"
#include "app/Cfg.h"
#include "app/KeyboardShortcutHandler.h"
#include "app/LaunchAtLogin.h"
#include "capture/ImageStore.h"
#include "capture/SandboxFolderAccess.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "services/VersionMgr.h"

#include <QDateTime>
#include <QPointer>

#include <algorithm>

namespace mebo {

SettingsVM::SettingsVM(Cfg& cfg, SandboxFolderAccess& folderAccess, LaunchAtLogin& launchAtLogin,
                       platform::Dialogs& dialogs, platform::Clipboard& clipboard, AppLogger& logger,
                       QObject* parent)
    : QObject(parent), cfg_(cfg), folderAccess_(folderAccess), launchAtLogin_(launchAtLogin),
      dialogs_(dialogs), clipboard_(clipboard), logger_(logger) {
    // Settings may also change elsewhere (the command line's instance hand-over, other views).
    connect(&cfg_, &Cfg::changed, this, &SettingsVM::onSettingChanged);
    connect(&logger_, &AppLogger::recentLogsChanged, this, &SettingsVM::logsChanged);
}

void SettingsVM::onSettingChanged(const QString& key) {
    if (key == QLatin1String("mebo.saveDirectory")) {
        Q_EMIT saveFolderChanged();
    } else if (key == QLatin1String("mebo.copyToClipboard")) {
        Q_EMIT copyToClipboardChanged();
    } else if (key == QLatin1String("mebo.historyMaxCount")) {
        Q_EMIT historyMaxCountChanged();
    } else if (key == QLatin1String("mebo.appearanceMode")) {
        Q_EMIT appearanceModeChanged();
    } else if (key == QLatin1String("mebo.shortcutOverrides")) {
        Q_EMIT shortcutsChanged();
    }
}

QString SettingsVM::saveFolderPath() const {
    return cfg_.saveDirectory();
}

void SettingsVM::changeSaveFolder() {
    // The picker answers later; the view-model may be gone by then.
    QPointer<SettingsVM> self(this);
    folderAccess_.changeSaveFolder([self](bool) {
        if (self) {
            Q_EMIT self->saveFolderChanged();
        }
    });
}

bool SettingsVM::copyToClipboard() const {
    return cfg_.copyToClipboard();
}

void SettingsVM::setCopyToClipboard(bool on) {
    if (on != cfg_.copyToClipboard()) {
        cfg_.setCopyToClipboard(on);
    }
}

int SettingsVM::historyMaxCount() const {
    return cfg_.historyMaxCount();
}

void SettingsVM::setHistoryMaxCount(int count) {
    count = std::max(count, 0);
    if (count != cfg_.historyMaxCount()) {
        cfg_.setHistoryMaxCount(count);
    }
}

AppearanceMode SettingsVM::appearanceMode() const {
    return cfg_.appearanceMode();
}

void SettingsVM::setAppearanceMode(AppearanceMode mode) {
    if (mode != cfg_.appearanceMode()) {
        cfg_.setAppearanceMode(mode);
    }
}

QStringList SettingsVM::appearanceModeNames() {
    QStringList names;
    for (AppearanceMode mode : allAppearanceModes()) {
        names << appearanceModeDisplayName(mode);
    }
    return names;
}

bool SettingsVM::launchAtLogin() const {
    return launchAtLogin_.isEnabled();
}

bool SettingsVM::setLaunchAtLogin(bool on) {
    const bool ok = launchAtLogin_.setEnabled(on);
    // Also after a failure: the check box goes back to what is on disk.
    Q_EMIT launchAtLoginChanged();
    return ok;
}

void SettingsVM::setCapturePrefs(CapturePrefs* prefs) {
    prefs_ = prefs;
    Q_EMIT captureChoicesChanged();
}

bool SettingsVM::openEditorAfterCapture() const {
    return cfg_.openEditorAfterCapture();
}

void SettingsVM::setOpenEditorAfterCapture(bool on) {
    // The settings object reads this key at start only; the choice applies now and is stored for
    // the next start.
    cfg_.setOpenEditorAfterCapture(on);
    cfg_.defaults().set(QStringLiteral("mebo.openEditorAfterCapture"), on);
    Q_EMIT captureChoicesChanged();
}

bool SettingsVM::notifyAfterCapture() const {
    return prefs_ && prefs_->notifyAfterCapture();
}

void SettingsVM::setNotifyAfterCapture(bool on) {
    if (prefs_) {
        prefs_->setNotifyAfterCapture(on);
    }
    Q_EMIT captureChoicesChanged();
}

int SettingsVM::delaySeconds() const {
    return prefs_ ? prefs_->delaySeconds() : 0;
}

void SettingsVM::setDelaySeconds(int seconds) {
    if (prefs_) {
        prefs_->setDelaySeconds(seconds);
    }
    Q_EMIT captureChoicesChanged();
}

int SettingsVM::exportQuality() const {
    return prefs_ ? prefs_->exportQuality() : CapturePrefs::kDefaultQuality;
}

void SettingsVM::setExportQuality(int quality) {
    if (prefs_) {
        prefs_->setExportQuality(quality);
    }
    Q_EMIT captureChoicesChanged();
}

QString SettingsVM::filenameTemplate() const {
    return cfg_.filenameTemplate();
}

QString SettingsVM::setFilenameTemplate(const QString& text) {
    const QString expanded = ImageStore::expandTemplate(text, QDateTime::currentDateTime());
    if (text.trimmed().isEmpty() || expanded.trimmed().isEmpty()) {
        return QStringLiteral("A file name cannot be empty.");
    }
    if (expanded.contains(QLatin1Char('/')) || expanded == QLatin1String(".") ||
        expanded == QLatin1String("..")) {
        return QStringLiteral("A file name cannot contain \"/\": captures stay in the save folder.");
    }
    if (text != cfg_.filenameTemplate()) {
        cfg_.setFilenameTemplate(text);
        Q_EMIT captureChoicesChanged();
    }
    return {};
}

QString SettingsVM::filenamePreview(const QString& text) {
    return ImageStore::expandTemplate(text, QDateTime::currentDateTime()) + QStringLiteral(".png");
}

QList<SettingsVM::ShortcutRow> SettingsVM::shortcutRows() const {
    QList<ShortcutRow> rows;
    for (ToolKind tool : allToolKinds()) {
        if (tool == ToolKind::chapter) {
            continue; // a video editor tool, not the annotation editor's
        }
        rows << ShortcutRow{tool, toolKindDisplayName(tool), shortcutText(tool)};
    }
    return rows;
}

QString SettingsVM::shortcutText(ToolKind tool) const {
    return cfg_.shortcutKey(tool).value_or(QString());
}

QString SettingsVM::setShortcut(ToolKind tool, const QString& typed) {
    const QString key = ShortcutEditor::normalise(typed);
    const QString current = shortcutText(tool);
    if (key == current) {
        return current; // nothing to store, and no alert for the tool's own key
    }
    const std::optional<ShortcutEditor::Conflict> conflict = ShortcutEditor::apply(cfg_, tool, typed);
    if (conflict) {
        dialogs_.alert(conflict->title, conflict->message, {QStringLiteral("OK")}, [](int) {});
        return current;
    }
    return shortcutText(tool);
}

QString SettingsVM::shortcutHint() {
    return QStringLiteral("Single letter. Empty = disable. Changes apply immediately.");
}

QList<LogEntry> SettingsVM::logEntries() const {
    QList<LogEntry> entries = logger_.recentLogs();
    std::reverse(entries.begin(), entries.end());
    return entries;
}

int SettingsVM::logCount() const {
    return int(logger_.recentLogs().size());
}

QString SettingsVM::logsTitle() const {
    return QStringLiteral("Execution Logs (%1)").arg(logCount());
}

QString SettingsVM::emptyLogsText() {
    return QStringLiteral("No logs yet. Logs are recorded automatically during operations.");
}

bool SettingsVM::copyAllLogs() {
    return clipboard_.writeText(logger_.copyAllText());
}

void SettingsVM::clearLogs() {
    logger_.clear();
}

QString SettingsVM::appName() {
    return QStringLiteral("Mebo");
}

QString SettingsVM::version() {
    return VersionMgr::shared().version();
}

QString SettingsVM::buildNumber() {
    return VersionMgr::shared().buildNumber();
}

QString SettingsVM::versionText() {
    return QStringLiteral("Version %1 (build %2)").arg(version(), buildNumber());
}

} // namespace mebo
