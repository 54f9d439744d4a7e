#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

namespace mebo {

class UpdateMgr;
namespace platform {
class Workspace;
}

// What the About tab and General's update switch show of the update manager: one status line,
// the download's progress, which buttons apply, and why automatic install is off where it is.
// Main thread.
class UpdateVM : public QObject {
    Q_OBJECT
public:
    UpdateVM(UpdateMgr& updates, platform::Workspace& workspace, QObject* parent = nullptr);

    QString statusText() const;
    bool isError() const;
    bool showsProgress() const;
    int progressPercent() const;
    bool canCheck() const;
    // A found update the user may download and install here.
    bool offersDownload() const;
    // A found update that cannot be installed here: its page opens in the browser instead.
    bool offersDownloadPage() const;
    bool offersRelaunch() const;
    // Why updates are not installed automatically here; empty where they are.
    QString installNotice() const;
    bool autoCheckEnabled() const;

    void checkForUpdates();
    void downloadAndInstall();
    void skipVersion();
    void relaunchToUpgrade();
    void openDownloadPage();
    void setAutoCheckEnabled(bool enabled);

    static QString relaunchButtonText() { return QStringLiteral("Relaunch to Upgrade"); }
    static QString downloadedText() { return QStringLiteral("Update downloaded."); }

Q_SIGNALS:
    void changed();

private:
    QUrl downloadPage() const;

    UpdateMgr& updates_;
    platform::Workspace& workspace_;
};

} // namespace mebo
