#pragma once

#include "platform/Workspace.h"

#include <QDBusConnection>
#include <QStringList>

#include <optional>

namespace mebo::platform {

// The Trash through QFile::moveToTrash, URLs through QDesktopServices, "show in folder" through
// the file manager's org.freedesktop.FileManager1 D-Bus interface.
// moveToTrash may be called from any thread; the rest on the main thread.
class QtWorkspace : public Workspace {
public:
    // FileManager1 calls go to the session bus, connected at the first revealFile() (connecting
    // without a bus address may autolaunch a bus daemon, which a command-line run must not do).
    QtWorkspace() = default;
    // FileManager1 calls go to `bus` (tests bring a private one).
    explicit QtWorkspace(QDBusConnection bus);

    bool moveToTrash(const QString& path, QString* error) override;
    bool openUrl(const QUrl& url) override;
    // Asks the file manager to select the file. Without one on the bus, or when it answers with
    // an error, the containing folder is opened instead.
    bool revealFile(const QString& path) override;
    // Starts this executable again (the AppImage when running from one), without arguments.
    bool relaunch(QString* error) override;

    // The trash folders ("<trash>/files" holds the files) that may receive `path`: the home trash
    // in the XDG data location and the two per-volume forms of the path's file system.
    static QStringList trashDirectoriesFor(const QString& path);

private:
    std::optional<QDBusConnection> bus_;
};

} // namespace mebo::platform
