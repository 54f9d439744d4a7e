#pragma once

#include "app/AppearanceMode.h"
#include "app/LogEntry.h"
#include "document/ToolKind.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace mebo {

class AppLogger;
class CapturePrefs;
class Cfg;
class LaunchAtLogin;
class SandboxFolderAccess;
namespace platform {
class Clipboard;
class Dialogs;
} // namespace platform

// What the settings window shows and changes: general options, the editor's tool shortcuts, the
// execution log and the version. Every change goes straight to the settings store (which writes
// it and runs its side effects); the signals tell the views to re-read. Main thread.
class SettingsVM : public QObject {
    Q_OBJECT
public:
    struct ShortcutRow {
        ToolKind tool;
        QString name; // the tool's display name
        QString key;  // what its field shows: the effective key, empty when disabled
    };

    SettingsVM(Cfg& cfg, SandboxFolderAccess& folderAccess, LaunchAtLogin& launchAtLogin,
               platform::Dialogs& dialogs, platform::Clipboard& clipboard, AppLogger& logger,
               QObject* parent = nullptr);

    // General.
    QString saveFolderPath() const;
    // Opens the folder picker; a new folder is stored and announced by the folder-change flow.
    void changeSaveFolder();
    bool copyToClipboard() const;
    void setCopyToClipboard(bool on);
    // 0 = unlimited.
    int historyMaxCount() const;
    void setHistoryMaxCount(int count);
    AppearanceMode appearanceMode() const;
    void setAppearanceMode(AppearanceMode mode);
    // Display names of every mode, in AppearanceMode order.
    static QStringList appearanceModeNames();
    bool launchAtLogin() const;
    // Answers whether the autostart entry now matches `on`.
    bool setLaunchAtLogin(bool on);

    // After a capture, and the capture's name. The capture preferences must be set for the
    // notification, the delay and the export quality (they read as off, 0 and 90 without).
    void setCapturePrefs(CapturePrefs* prefs);
    bool openEditorAfterCapture() const;
    void setOpenEditorAfterCapture(bool on);
    bool notifyAfterCapture() const;
    void setNotifyAfterCapture(bool on);
    int delaySeconds() const;
    void setDelaySeconds(int seconds);
    int exportQuality() const;
    void setExportQuality(int quality);
    QString filenameTemplate() const;
    // Stores a usable template and answers an empty text; otherwise answers why it is refused
    // (empty, or a "/" that would leave the save folder) and stores nothing.
    QString setFilenameTemplate(const QString& text);
    // What a capture made now would be called under `text`.
    static QString filenamePreview(const QString& text);

    // Shortcuts: every tool of the annotation editor, in ToolKind order (with or without a key).
    QList<ShortcutRow> shortcutRows() const;
    QString shortcutText(ToolKind tool) const;
    // Applies what was typed into a tool's field and answers what the field shows afterwards:
    // the normalised key when stored, the previous key when another tool uses it (the conflict
    // alert is shown then and nothing is stored).
    QString setShortcut(ToolKind tool, const QString& typed);
    static QString shortcutHint();

    // Logs, newest first.
    QList<LogEntry> logEntries() const;
    int logCount() const;
    QString logsTitle() const;
    static QString emptyLogsText();
    // The Copy All text on the clipboard; answers whether the clipboard took it.
    bool copyAllLogs();
    void clearLogs();

    // About.
    static QString appName();
    static QString version();
    static QString buildNumber();
    static QString versionText();

Q_SIGNALS:
    void saveFolderChanged();
    void copyToClipboardChanged();
    void historyMaxCountChanged();
    void appearanceModeChanged();
    void launchAtLoginChanged();
    void captureChoicesChanged();
    void shortcutsChanged();
    void logsChanged();

private:
    void onSettingChanged(const QString& key);

    Cfg& cfg_;
    SandboxFolderAccess& folderAccess_;
    LaunchAtLogin& launchAtLogin_;
    platform::Dialogs& dialogs_;
    platform::Clipboard& clipboard_;
    AppLogger& logger_;
    CapturePrefs* prefs_ = nullptr;
};

} // namespace mebo
