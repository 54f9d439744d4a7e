#pragma once

#include "services/Appcast.h"
#include "services/InstallLocation.h"
#include "services/PublisherKey.h"
#include "services/UpdaterUserDriver.h"

#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace mebo {

namespace platform {
class CodeSigning;
}

// The updater: reads the appcast, offers the newest release that is newer than the running one,
// downloads it with progress, checks its length and publisher signature, unpacks it beside the
// install folder and, when told to, swaps it in and hands the relaunch to a guard process. It
// shows nothing itself: its user driver and delegate hear of every step. One session (check,
// download, install) at a time. Main thread; verifying and unpacking run on a worker and come
// back guarded by the session's generation.
class AppcastUpdater : public QObject {
    Q_OBJECT
public:
    struct Host {
        QString version;
        QString buildNumber;
        std::optional<PublisherKey> publisherKey;
        InstallLocation location;
        QString downloadDir;                     // archives are downloaded here
        std::function<QString()> skippedVersion; // a release background checks pass over
        std::function<QString()> windowState;    // the windows the relaunched instance reopens
        QStringList relaunchArguments{QStringLiteral("--background")};
        int transferTimeoutMs = 30000; // a download that stalls this long fails
        int startTimeoutMs = 60000;    // the relaunched version must report in this long
    };

    AppcastUpdater(Host host, UpdaterUserDriver& driver, UpdaterDelegate& delegate,
                   std::shared_ptr<const platform::CodeSigning> signing, QObject* parent = nullptr);
    ~AppcastUpdater() override;

    // Empty when the updater can work; else why not (no publisher key).
    QString start();
    bool isStarted() const { return started_; }
    bool sessionInProgress() const { return state_ != State::idle; }
    bool canCheckForUpdates() const { return started_ && state_ == State::idle; }
    void checkForUpdates();
    void checkForUpdatesInBackground();
    // Ends the running session without reporting anything (a check that timed out).
    void cancelSession();

    const Host& host() const { return host_; }

private:
    enum class State { idle, checking, awaitingChoice, downloading, preparing, awaitingInstall, installing };

    void check(bool userInitiated);
    void onFeedFinished();
    void onUpdateChoice(quint64 generation, UpdateChoice choice);
    void startDownload();
    void onDownloadData();
    void onDownloadFinished();
    void prepare();
    void onPrepared(const QString& stagingDir, const Result<QString>& tree);
    void onInstallChoice(quint64 generation, InstallChoice choice);
    void install(bool relaunch);
    void abortCheck(const UpdaterError& error);
    void fail(const QString& message);
    void endSession();
    void dropReply();

    Host host_;
    UpdaterUserDriver& driver_;
    UpdaterDelegate& delegate_;
    std::shared_ptr<const platform::CodeSigning> signing_; // shared with the worker that verifies
    QNetworkAccessManager* network_ = nullptr;
    bool started_ = false;
    State state_ = State::idle;
    bool userInitiated_ = false;
    quint64 generation_ = 0; // bumped whenever a session ends; late answers compare it
    QPointer<QNetworkReply> reply_;
    std::optional<AppcastItem> item_;
    std::unique_ptr<QFile> download_;
    QString archivePath_;
    QString stagingDir_;
    QString newTree_;
};

} // namespace mebo
