#pragma once

#include <QString>
#include <QUrl>

namespace mebo::platform {

// Files and applications: the Trash, opening URLs, showing files in the file manager.
class Workspace {
public:
    virtual ~Workspace() = default;
    // Moves into the freedesktop Trash; on failure answers false with the reason in `error`.
    virtual bool moveToTrash(const QString& path, QString* error) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
    virtual bool revealFile(const QString& path) = 0;
    // Starts a new instance of this application.
    virtual bool relaunch(QString* error) = 0;
};

} // namespace mebo::platform
