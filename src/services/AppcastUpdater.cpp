#include "services/AppcastUpdater.h"

#include "app/BackgroundTask.h"
#include "app/MainThread.h"
#include "services/ChildProcess.h"
#include "services/UpdateArchive.h"
#include "services/UpdateGuard.h"
#include "services/UpdateInstaller.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

namespace mebo {

namespace {

constexpr int kVersionCheckTimeoutMs = 30000;

QNetworkRequest request(const QUrl& url, const QString& version, int transferTimeoutMs) {
    QNetworkRequest r(url);
    r.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Mebo/") + version);
    r.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    r.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    if (transferTimeoutMs > 0) {
        r.setTransferTimeout(transferTimeoutMs);
    }
    return r;
}

int httpStatus(QNetworkReply* reply) {
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

QString networkFailure(QNetworkReply* reply) {
    if (reply->error() == QNetworkReply::OperationCanceledError) {
        return QStringLiteral("the server stopped sending");
    }
    return reply->errorString();
}

} // namespace

AppcastUpdater::AppcastUpdater(Host host, UpdaterUserDriver& driver, UpdaterDelegate& delegate,
                               std::shared_ptr<const platform::CodeSigning> signing, QObject* parent)
    : QObject(parent), host_(std::move(host)), driver_(driver), delegate_(delegate),
      signing_(std::move(signing)), network_(new QNetworkAccessManager(this)) {}

AppcastUpdater::~AppcastUpdater() {
    ++generation_;
    dropReply();
    // An update unpacked but never installed is not kept across runs.
    if (!stagingDir_.isEmpty()) {
        UpdateInstaller::removeTree(stagingDir_);
    }
}

QString AppcastUpdater::start() {
    if (!host_.publisherKey) {
        return QStringLiteral("no publisher key is built in, so updates cannot be verified");
    }
    UpdateInstaller::removeStaleStaging(host_.location);
    started_ = true;
    return {};
}

void AppcastUpdater::checkForUpdates() {
    check(true);
}

void AppcastUpdater::checkForUpdatesInBackground() {
    check(false);
}

void AppcastUpdater::check(bool userInitiated) {
    if (!started_ || state_ != State::idle) {
        return;
    }
    state_ = State::checking;
    userInitiated_ = userInitiated;
    const QUrl feed(delegate_.feedUrlString());
    if (!feed.isValid() || feed.scheme().isEmpty()) {
        // Reported after this call returns, like every other answer.
        const quint64 generation = generation_;
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == generation_) {
                    abortCheck(
                        {UpdaterError::feedFailed, QStringLiteral("The update feed's address is not set.")});
                }
            },
            Qt::QueuedConnection);
        return;
    }
    // The check's own timeout is its owner's; the transfer only fails when the server drops it.
    reply_ = network_->get(request(feed, host_.version, 0));
    connect(reply_, &QNetworkReply::finished, this, &AppcastUpdater::onFeedFinished);
}

void AppcastUpdater::onFeedFinished() {
    QNetworkReply* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply || reply != reply_) {
        return;
    }
    reply->deleteLater();
    reply_ = nullptr;
    if (const int status = httpStatus(reply); status != 0 && (status < 200 || status > 299)) {
        abortCheck(
            {UpdaterError::feedFailed, QStringLiteral("The update feed answered HTTP %1.").arg(status)});
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        abortCheck({UpdaterError::feedFailed,
                    QStringLiteral("The update feed could not be loaded: %1").arg(networkFailure(reply))});
        return;
    }
    const auto items = Appcast::parse(reply->readAll());
    if (!items) {
        abortCheck({UpdaterError::feedFailed,
                    QStringLiteral("The update feed cannot be read: %1").arg(items.error())});
        return;
    }
    std::optional<AppcastItem> newest = Appcast::newest(items.value());
    const bool skipped = newest && !userInitiated_ && host_.skippedVersion &&
                         host_.skippedVersion() == newest->displayVersion();
    if (!newest || skipped || !newest->isNewerThan(host_.version, host_.buildNumber)) {
        const bool userInitiated = userInitiated_;
        endSession();
        delegate_.didNotFindUpdate();
        delegate_.didFinishUpdateCycle(userInitiated, UpdaterError{UpdaterError::noUpdate, {}});
        return;
    }
    item_ = newest;
    state_ = State::awaitingChoice;
    delegate_.didFindValidUpdate(*item_);
    delegate_.didFinishUpdateCycle(userInitiated_, std::nullopt);
    const quint64 generation = generation_;
    driver_.showUpdateFound(*item_, userInitiated_,
                            [this, generation, guard = QPointer<AppcastUpdater>(this)](UpdateChoice choice) {
                                if (guard) {
                                    onUpdateChoice(generation, choice);
                                }
                            });
}

void AppcastUpdater::onUpdateChoice(quint64 generation, UpdateChoice choice) {
    if (generation != generation_ || state_ != State::awaitingChoice) {
        return;
    }
    if (choice != UpdateChoice::install) {
        endSession();
        driver_.dismissUpdateInstallation();
        return;
    }
    if (!host_.location.canInstall()) {
        fail(host_.location.reason());
        return;
    }
    startDownload();
}

void AppcastUpdater::startDownload() {
    state_ = State::downloading;
    if (!QDir().mkpath(host_.downloadDir)) {
        fail(QStringLiteral("The update cannot be saved: %1 cannot be created.").arg(host_.downloadDir));
        return;
    }
    QString name = item_->enclosureUrl.fileName();
    if (name.isEmpty() || name.startsWith(QLatin1Char('.'))) {
        name = QStringLiteral("mebo-%1.tar.gz").arg(item_->displayVersion());
    }
    archivePath_ = QDir(host_.downloadDir).filePath(name);
    download_ = std::make_unique<QFile>(archivePath_ + QStringLiteral(".part"));
    if (!download_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const QString why = download_->errorString();
        download_.reset();
        fail(QStringLiteral("The update cannot be saved: %1").arg(why));
        return;
    }
    driver_.showDownloadInitiated();
    if (item_->enclosureLength > 0) {
        driver_.showDownloadDidReceiveExpectedContentLength(quint64(item_->enclosureLength));
    }
    reply_ = network_->get(request(item_->enclosureUrl, host_.version, host_.transferTimeoutMs));
    connect(reply_, &QNetworkReply::metaDataChanged, this, [this, reply = reply_.data()] {
        if (reply != reply_ || item_->enclosureLength > 0) {
            return;
        }
        bool ok = false;
        const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
        if (ok && length > 0) {
            driver_.showDownloadDidReceiveExpectedContentLength(quint64(length));
        }
    });
    connect(reply_, &QNetworkReply::readyRead, this, &AppcastUpdater::onDownloadData);
    connect(reply_, &QNetworkReply::finished, this, &AppcastUpdater::onDownloadFinished);
}

void AppcastUpdater::onDownloadData() {
    if (!reply_ || !download_) {
        return;
    }
    const QByteArray chunk = reply_->readAll();
    if (chunk.isEmpty()) {
        return;
    }
    if (download_->write(chunk) != chunk.size()) {
        const QString why = download_->errorString();
        fail(QStringLiteral("The update cannot be saved: %1").arg(why));
        return;
    }
    driver_.showDownloadDidReceiveDataOfLength(quint64(chunk.size()));
}

void AppcastUpdater::onDownloadFinished() {
    QNetworkReply* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply || reply != reply_) {
        return;
    }
    onDownloadData();
    if (!download_) {
        return; // failed while writing
    }
    reply->deleteLater();
    reply_ = nullptr;
    download_->close();
    download_.reset();
    const QString part = archivePath_ + QStringLiteral(".part");
    if (const int status = httpStatus(reply); status != 0 && status != 200) {
        QFile::remove(part);
        fail(QStringLiteral("The update could not be downloaded: the server answered HTTP %1.").arg(status));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        QFile::remove(part);
        fail(QStringLiteral("The update could not be downloaded: %1").arg(networkFailure(reply)));
        return;
    }
    QFile::remove(archivePath_);
    if (!QFile::rename(part, archivePath_)) {
        QFile::remove(part);
        fail(QStringLiteral("The update cannot be saved in %1.").arg(host_.downloadDir));
        return;
    }
    prepare();
}

void AppcastUpdater::prepare() {
    state_ = State::preparing;
    driver_.showDownloadDidStartExtractingUpdate();
    const quint64 generation = generation_;
    QPointer<AppcastUpdater> self(this);
    const AppcastItem item = *item_;
    const QString archive = archivePath_;
    const std::optional<PublisherKey> key = host_.publisherKey;
    const InstallLocation location = host_.location;
    const std::shared_ptr<const platform::CodeSigning> signing = signing_;
    startUserInitiatedTask([self, generation, item, archive, key, location, signing] {
        QString stagingDir;
        Result<QString> tree = Result<QString>::fail({});
        const QString refused = UpdateArchive::verify(archive, item, key ? &*key : nullptr, *signing);
        if (!refused.isEmpty()) {
            tree = Result<QString>::fail(refused);
        } else if (auto staging = UpdateInstaller::createStagingDir(location); !staging) {
            tree = Result<QString>::fail(
                QStringLiteral("The update cannot be unpacked: %1").arg(staging.error()));
        } else {
            stagingDir = staging.value();
            QSaveFile pid(QDir(stagingDir).filePath(QStringLiteral("guard.pid")));
            if (pid.open(QIODevice::WriteOnly)) {
                pid.write(QByteArray::number(QCoreApplication::applicationPid()));
                pid.commit();
            }
            const QString unpackDir = QDir(stagingDir).filePath(QStringLiteral("unpacked"));
            QDir().mkpath(unpackDir);
            tree = UpdateArchive::unpack(archive, unpackDir);
        }
        runOnMain([self, generation, stagingDir, tree] {
            if (!self || generation != self->generation_) {
                UpdateInstaller::removeTree(stagingDir);
                return;
            }
            self->onPrepared(stagingDir, tree);
        });
    });
}

void AppcastUpdater::onPrepared(const QString& stagingDir, const Result<QString>& tree) {
    stagingDir_ = stagingDir;
    if (!tree) {
        fail(tree.error());
        return;
    }
    newTree_ = tree.value();
    driver_.showExtractionReceivedProgress(1.0);
    state_ = State::awaitingInstall;
    const quint64 generation = generation_;
    driver_.showReadyToInstall(
        [this, generation, guard = QPointer<AppcastUpdater>(this)](InstallChoice choice) {
            if (guard) {
                onInstallChoice(generation, choice);
            }
        });
}

void AppcastUpdater::onInstallChoice(quint64 generation, InstallChoice choice) {
    if (generation != generation_ || state_ != State::awaitingInstall) {
        return;
    }
    if (choice == InstallChoice::dismiss) {
        return; // stays ready: installed later, or at quit
    }
    install(choice == InstallChoice::installAndRelaunch);
}

void AppcastUpdater::install(bool relaunch) {
    state_ = State::installing;
    driver_.showInstallingUpdate();
    const QString root = host_.location.root();
    const QString previous = UpdateInstaller::previousTree(stagingDir_);
    if (const QString error = UpdateInstaller::swapIn(root, newTree_, previous); !error.isEmpty()) {
        fail(QStringLiteral("The update could not be installed: %1").arg(error));
        return;
    }
    const QString failed = UpdateInstaller::failedTree(stagingDir_);
    if (!relaunch) {
        // Nobody is restarted: the new program must at least start and know its version.
        const QString broken =
            UpdateInstaller::checkStarts(root, item_->displayVersion(), kVersionCheckTimeoutMs);
        if (!broken.isEmpty()) {
            const QString back = UpdateInstaller::swapBack(root, previous, failed);
            fail(back.isEmpty()
                     ? QStringLiteral("The new version does not start (%1); the previous one was kept.")
                           .arg(broken)
                     : QStringLiteral("The new version does not start (%1) and the previous one could "
                                      "not be put back (%2); it is in %3.")
                           .arg(broken, back, previous));
            return;
        }
        UpdateInstaller::removeTree(stagingDir_);
        stagingDir_.clear();
        QFile::remove(archivePath_);
        endSession();
        driver_.showUpdateInstalled(false);
        return;
    }
    UpdateGuard::Plan plan;
    plan.root = root;
    plan.stagingDir = stagingDir_;
    plan.waitPid = QCoreApplication::applicationPid();
    plan.newVersion = item_->displayVersion();
    plan.oldVersion = host_.version;
    plan.windowState = host_.windowState ? host_.windowState() : QString();
    plan.relaunchArguments = host_.relaunchArguments;
    plan.startTimeoutMs = host_.startTimeoutMs;
    // The guard is the previous version's own program: known to run, and out of the way of the swap.
    const QString guard = QDir(previous).filePath(InstallLocation::programInTree());
    QString error;
    if (ChildProcess::spawn(guard,
                            QStringList{QStringLiteral("update"), QStringLiteral("guard")} +
                                UpdateGuard::arguments(plan),
                            {}, &error) < 0) {
        UpdateInstaller::swapBack(root, previous, failed);
        fail(QStringLiteral("The update could not be installed: %1").arg(error));
        return;
    }
    // From here the guard owns the staging folder.
    stagingDir_.clear();
    QFile::remove(archivePath_);
    endSession();
    driver_.showUpdateInstalled(true);
    delegate_.willRelaunchApplication();
}

void AppcastUpdater::abortCheck(const UpdaterError& error) {
    const bool userInitiated = userInitiated_;
    endSession();
    delegate_.didAbortWithError(error);
    delegate_.didFinishUpdateCycle(userInitiated, error);
}

void AppcastUpdater::fail(const QString& message) {
    if (!stagingDir_.isEmpty()) {
        UpdateInstaller::removeTree(stagingDir_);
        stagingDir_.clear();
    }
    if (download_) {
        download_->close();
        download_->remove();
        download_.reset();
    }
    // A refused or unusable archive is not kept: the next check downloads it again.
    if (!archivePath_.isEmpty()) {
        QFile::remove(archivePath_);
    }
    endSession();
    driver_.showUpdaterError(message);
    delegate_.didAbortWithError({UpdaterError::updateFailed, message});
}

void AppcastUpdater::cancelSession() {
    if (state_ == State::checking) {
        endSession();
    }
}

void AppcastUpdater::endSession() {
    ++generation_;
    dropReply();
    state_ = State::idle;
}

void AppcastUpdater::dropReply() {
    if (reply_) {
        QNetworkReply* reply = reply_;
        reply_ = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

} // namespace mebo
