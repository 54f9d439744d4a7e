#include "app/SettingsVM.h"

#include "app/AppLogger.h"
#include "app/Cfg.h"
#include "app/KeyboardShortcutHandler.h"
#include "app/LaunchAtLogin.h"
#include "capture/SandboxFolderAccess.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "services/VersionMgr.h"

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

QList<SettingsVM::ShortcutRow> SettingsVM::shortcutRows() const {
    const QMap<QString, QString> overrides = cfg_.shortcutOverrides();
    QList<ShortcutRow> rows;
    for (ToolKind tool : allToolKinds()) {
        if (!toolKindDefaultShortcut(tool) && !overrides.contains(toolKindRawValue(tool))) {
            continue;
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
