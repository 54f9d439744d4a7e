#pragma once

#include <QString>

namespace mebo {

// Starting Mebo when the user logs in: an XDG autostart entry ("mebo.desktop" in the user's
// autostart folder). The entry on disk is the only record of the choice; nothing else stores it.
// Main thread.
class LaunchAtLogin {
public:
    // `autostartDir` holds the entry; `executablePath` is what the entry starts (an absolute path).
    explicit LaunchAtLogin(QString autostartDir = defaultAutostartDir(),
                           QString executablePath = defaultExecutablePath());

    // Whether the entry exists and is not switched off inside (Hidden=true, or GNOME's own
    // X-GNOME-Autostart-enabled=false).
    bool isEnabled() const;
    // Writes the entry (atomically) or removes it. Answers false, with a log line, when the
    // folder or file cannot be written or removed; the state on disk is then unchanged.
    bool setEnabled(bool enabled);

    QString entryPath() const;
    const QString& executablePath() const { return executablePath_; }

    // $XDG_CONFIG_HOME/autostart.
    static QString defaultAutostartDir();
    // The running program; for an AppImage the image itself, not its temporary mount.
    static QString defaultExecutablePath();
    // The entry's text for a program at `executablePath`.
    static QString entryText(const QString& executablePath);
    // `path` as one argument of a desktop entry's Exec key, escaped for the key's value.
    static QString execArgument(const QString& path);

private:
    QString autostartDir_;
    QString executablePath_;
};

} // namespace mebo
