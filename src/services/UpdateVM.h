#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

namespace mebo {

class UpdateMgr;
struct AppcastItem;
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
    // What the found update brings, as the feed describes it (plain text, shortened); empty
    // when there is no update or the feed says nothing.
    QString releaseNotes() const;
    bool offersReleaseNotesLink() const;
    bool autoCheckEnabled() const;

    void checkForUpdates();
    void downloadAndInstall();
    void skipVersion();
    void relaunchToUpgrade();
    void openDownloadPage();
    void openReleaseNotes();
    void setAutoCheckEnabled(bool enabled);

    static QString relaunchButtonText() { return QStringLiteral("Relaunch to Upgrade"); }
    static QString downloadedText() { return QStringLiteral("Update downloaded."); }
    static constexpr int releaseNotesMaxChars = 600;

Q_SIGNALS:
    void changed();

private:
    QUrl downloadPage() const;
    // The found update while it is offered, downloaded or waiting to install.
    const AppcastItem* pendingItem() const;

    UpdateMgr& updates_;
    platform::Workspace& workspace_;
};

} // namespace mebo
