#include "services/TasuInstaller.h"

#include "app/AppLogger.h"
#include "app/BackgroundTask.h"
#include "app/MainThread.h"
#include "services/ChildProcess.h"
#include "services/CodeSignature.h"
#include "services/PropertyList.h"
#include "services/ServiceConfig.h"
#include "services/UpdateArchive.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUuid>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace mebo {

namespace {

constexpr int kUnzipTimeoutMs = 5 * 60 * 1000;
const QString kUnzip = QStringLiteral("/usr/bin/unzip");

TasuFailure failureOf(const TasuDownloadError& e) {
    return {e.name(), e.message()};
}

TasuFailure failureOf(const TasuInstallError& e) {
    return {e.name(), e.description()};
}

QString newName(const char* prefix) {
    return QString::fromLatin1(prefix) + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

// A rename, or a copy and a removal when the two places are on different file systems.
QString moveItem(const QString& from, const QString& to) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) {
        return {};
    }
    const int error = errno;
    if (error != EXDEV) {
        return QString::fromLocal8Bit(strerror(error));
    }
    if (const QString copied = TasuInstaller::copyTree(from, to); !copied.isEmpty()) {
        QDir(to).removeRecursively();
        return copied;
    }
    if (!QDir(from).removeRecursively()) {
        return QStringLiteral("cannot remove %1 after copying it").arg(from);
    }
    return {};
}

} // namespace

TasuInstaller::TasuInstaller(Setup setup, std::shared_ptr<const platform::CodeSigning> signing,
                             QObject* parent)
    : QObject(parent), setup_(std::move(setup)), signing_(std::move(signing)),
      network_(new QNetworkAccessManager(this)), copyItem_(&TasuInstaller::copyTree) {}

QString TasuInstaller::defaultInstallPath() {
    return QDir::home().filePath(QStringLiteral("Applications/Tasu.app"));
}

QString TasuInstaller::defaultTempDir() {
    return QDir::tempPath();
}

QString TasuInstaller::expectedTeamId() const {
    return setup_.publisherKey ? setup_.publisherKey->keyId() : QString();
}

QString TasuInstaller::executable() const {
    return QDir(setup_.installPath).filePath(programInApp());
}

bool TasuInstaller::isTasuInstalled() const {
    return QFileInfo::exists(setup_.installPath);
}

bool TasuInstaller::open(QString* error) const {
    if (!QFileInfo(executable()).isExecutable()) {
        if (error) {
            *error = QStringLiteral("Tasu is not installed in %1").arg(setup_.installPath);
        }
        return false;
    }
    return ChildProcess::spawn(executable(), {}, {}, error, QStringLiteral("/dev/null")) > 0;
}

std::variant<QUrl, TasuDownloadError> TasuInstaller::enclosureUrl(const QString& feedText) {
    static const QRegularExpression enclosure(QStringLiteral("enclosure[^>]+url=\"([^\"]+)"));
    static const QRegularExpression urlAttribute(QStringLiteral("url=\"([^\"]+)"));
    const QRegularExpressionMatch match = enclosure.match(feedText);
    if (!match.hasMatch()) {
        return TasuDownloadError{TasuDownloadError::Kind::parseError};
    }
    const QRegularExpressionMatch inner = urlAttribute.match(match.captured(0));
    if (!inner.hasMatch()) {
        return TasuDownloadError{TasuDownloadError::Kind::parseError};
    }
    QString address = inner.captured(0);
    address.remove(QStringLiteral("url=\""));
    address.remove(QLatin1Char('"'));
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty()) {
        return TasuDownloadError{TasuDownloadError::Kind::invalidURL};
    }
    return url;
}

void TasuInstaller::install(Done done) {
    if (installing_) {
        runOnMain([done] {
            done(TasuFailure{QStringLiteral("busy"), QStringLiteral("Tasu is being installed")});
        });
        return;
    }
    installing_ = true;
    done_ = std::move(done);
    Q_EMIT installingChanged(true);
    logInfo(QStringLiteral("[TasuInstaller] 開始下載 Tasu from ") + setup_.appcastURL);
    const QUrl feed(setup_.appcastURL, QUrl::StrictMode);
    if (!feed.isValid() || feed.scheme().isEmpty()) {
        runOnMain([self = QPointer<TasuInstaller>(this)] {
            if (self) {
                self->finish(failureOf(TasuDownloadError{TasuDownloadError::Kind::invalidURL}));
            }
        });
        return;
    }
    QNetworkRequest request(feed);
    request.setTransferTimeout(networkTimeoutMs(30000));
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::finished, this, &TasuInstaller::onFeed);
}

void TasuInstaller::onFeed() {
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
        logError(QStringLiteral("[TasuInstaller] 無法讀取下載信息: ") + reply->errorString());
        finish(failureOf(TasuDownloadError{TasuDownloadError::Kind::downloadFailed}));
        return;
    }
    const auto url = enclosureUrl(QString::fromUtf8(reply->readAll()));
    if (const auto* error = std::get_if<TasuDownloadError>(&url)) {
        finish(failureOf(*error));
        return;
    }
    const QUrl archive = std::get<QUrl>(url);
    logInfo(QStringLiteral("[TasuInstaller] 下載 URL: ") + archive.toString());
    QNetworkRequest request(archive);
    request.setTransferTimeout(networkTimeoutMs(30000));
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::finished, this, &TasuInstaller::onArchive);
}

void TasuInstaller::onArchive() {
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200) {
        logError(
            QStringLiteral("[TasuInstaller] 下載失敗: HTTP %1 %2").arg(status).arg(reply->errorString()));
        finish(failureOf(TasuDownloadError{TasuDownloadError::Kind::downloadFailed}));
        return;
    }
    QString name = reply->url().fileName();
    if (name.isEmpty()) {
        name = QStringLiteral("Tasu.zip");
    }
    const QString path = QDir(setup_.tempDir).filePath(name);
    QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(reply->readAll()) < 0 || !file.flush()) {
        logError(QStringLiteral("[TasuInstaller] 無法保存下載: ") + file.errorString());
        file.remove();
        finish(failureOf(TasuDownloadError{TasuDownloadError::Kind::downloadFailed}));
        return;
    }
    file.close();
    downloadedPath_ = path;
    logInfo(QStringLiteral("[TasuInstaller] 已下載到 ") + name);

    QPointer<TasuInstaller> self(this);
    startUserInitiatedTask([self, path, job = job()] {
        const std::optional<TasuInstallError> error = installArchive(job, path);
        QFile::remove(path);
        runOnMain([self, error] {
            if (self) {
                self->finish(error ? std::optional<TasuFailure>(failureOf(*error)) : std::nullopt);
            }
        });
    });
}

void TasuInstaller::finish(const std::optional<TasuFailure>& failure) {
    installing_ = false;
    downloadedPath_.clear();
    Done done = std::move(done_);
    done_ = nullptr;
    Q_EMIT installingChanged(false);
    if (done) {
        done(failure);
    }
}

std::optional<TasuInstallError> TasuInstaller::stage(const QString& archivePath, const QString& stagingDir) {
    // The names are checked before anything is written: unzip would quietly rewrite "../x" and
    // "/x" into the staging folder rather than refuse them.
    const ChildProcess::Outcome listing =
        ChildProcess::run(kUnzip, {QStringLiteral("-Z1"), archivePath}, kUnzipTimeoutMs);
    if (!listing.succeeded()) {
        return TasuInstallError::unzipFailed(listing.exitCode);
    }
    for (const QString& name : QString::fromUtf8(listing.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (name.startsWith(QLatin1Char('/')) ||
            name.split(QLatin1Char('/')).contains(QStringLiteral(".."))) {
            logError(QStringLiteral("[TasuInstaller] 拒絕不安全的路徑: ") + name);
            return TasuInstallError::unsafeEntry(name);
        }
    }
    const ChildProcess::Outcome unzip = ChildProcess::run(
        kUnzip, {QStringLiteral("-q"), archivePath, QStringLiteral("-d"), stagingDir}, kUnzipTimeoutMs);
    if (!unzip.succeeded()) {
        return TasuInstallError::unzipFailed(unzip.exitCode);
    }
    if (const QString links = UpdateArchive::checkLinksStayInside(stagingDir); !links.isEmpty()) {
        logError(QStringLiteral("[TasuInstaller] 拒絕不安全的路徑: ") + links);
        return TasuInstallError::unsafeEntry(links.section(QLatin1Char(' '), 0, 0));
    }
    return std::nullopt;
}

std::optional<TasuInstallError> TasuInstaller::installArchive(const Job& job, const QString& archivePath) {
    const Setup& setup = job.setup;
    const QString stagingDir = QDir(setup.tempDir).filePath(newName("mebo_tasu_stage_"));
    if (!QDir().mkpath(stagingDir)) {
        return TasuInstallError::fsError(QStringLiteral("cannot create ") + stagingDir);
    }
    struct RemoveStaging {
        QString dir;
        ~RemoveStaging() { QDir(dir).removeRecursively(); }
    } removeStaging{stagingDir};

    if (auto error = stage(archivePath, stagingDir)) {
        return error;
    }
    const QStringList apps =
        QDir(stagingDir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    const auto app = std::find_if(apps.begin(), apps.end(),
                                  [](const QString& n) { return n.endsWith(QLatin1String(".app")); });
    if (app == apps.end()) {
        return TasuInstallError::appNotInZip();
    }
    const QString appPath = QDir(stagingDir).filePath(*app);

    std::optional<QString> bundleId;
    if (const auto plist =
            PropertyList::readFile(QDir(appPath).filePath(QStringLiteral("Contents/Info.plist")))) {
        const QVariant id = plist.value().toMap().value(QStringLiteral("CFBundleIdentifier"));
        if (id.typeId() == QMetaType::QString) {
            bundleId = id.toString();
        }
    }
    if (bundleId != setup.expectedBundleId) {
        logError(QStringLiteral("[TasuInstaller] bundleId 不匹配: %1 ≠ %2")
                     .arg(bundleId.value_or(QStringLiteral("nil")), setup.expectedBundleId));
        return TasuInstallError::bundleIdMismatch(bundleId, setup.expectedBundleId);
    }

    const QString teamId = setup.publisherKey ? setup.publisherKey->keyId() : QString();
    const int status = CodeSignature::check(
        appPath, teamId, setup.publisherKey ? &*setup.publisherKey : nullptr, *job.signing);
    if (status != CodeSignature::valid) {
        logError(QStringLiteral("[TasuInstaller] 代碼簽名校驗失敗 status=%1 (Team ID 釘扎 %2)")
                     .arg(status)
                     .arg(teamId));
        return TasuInstallError::codeSignatureInvalid(status);
    }

    if (auto error = replace(job, appPath)) {
        return error;
    }
    logSuccess(QStringLiteral("✅ [TasuInstaller] Tasu.app 安裝完成 + 全部驗證通過"));
    return std::nullopt;
}

std::optional<TasuInstallError> TasuInstaller::replace(const Job& job, const QString& appPath) {
    const QString target = job.setup.installPath;
    QString backup;
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
        backup = QDir(job.setup.tempDir).filePath(newName("mebo_tasu_backup_"));
        if (const QString error = moveItem(target, backup); !error.isEmpty()) {
            return TasuInstallError::fsError(QStringLiteral("backup old: ") + error);
        }
        logInfo(QStringLiteral("[TasuInstaller] 已備份舊版到 ") + backup);
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    const QString copied = job.copyItem ? job.copyItem(appPath, target) : copyTree(appPath, target);
    if (copied.isEmpty()) {
        if (!backup.isEmpty()) {
            QDir(backup).removeRecursively();
        }
        return std::nullopt;
    }
    logError(QStringLiteral("[TasuInstaller] copyItem 失敗: ") + copied);
    const QFileInfo partial(target);
    if (partial.exists() || partial.isSymLink()) {
        const bool removed = partial.isDir() && !partial.isSymLink() ? QDir(target).removeRecursively()
                                                                     : QFile::remove(target);
        if (!removed) {
            logWarning(QStringLiteral("[TasuInstaller] 清理 partial ") + target);
        }
    }
    if (!backup.isEmpty()) {
        if (const QString back = moveItem(backup, target); !back.isEmpty()) {
            logError(QStringLiteral("[TasuInstaller] ❌ 回滾失敗: ") + back);
            return TasuInstallError::fsError(
                QStringLiteral("rollback failed: %1; backup at %2").arg(back, backup));
        }
        logWarning(QStringLiteral("[TasuInstaller] 安裝失敗, 已成功回滾舊版"));
    }
    return TasuInstallError::fsError(QStringLiteral("copy new: ") + copied);
}

QString TasuInstaller::copyTree(const QString& from, const QString& to) {
    const QFileInfo source(from);
    if (source.isSymLink()) {
        char buffer[4096];
        const ssize_t n = ::readlink(QFile::encodeName(from).constData(), buffer, sizeof buffer - 1);
        if (n <= 0 ||
            ::symlink(QByteArray(buffer, int(n)).constData(), QFile::encodeName(to).constData()) != 0) {
            return QStringLiteral("cannot copy the link %1").arg(from);
        }
        return {};
    }
    if (source.isFile()) {
        QFile::remove(to);
        if (!QFile::copy(from, to)) {
            return QStringLiteral("cannot copy %1 to %2").arg(from, to);
        }
        return {};
    }
    if (!source.isDir()) {
        return QStringLiteral("%1 is neither a file nor a folder").arg(from);
    }
    if (!QDir().mkpath(to)) {
        return QStringLiteral("cannot create %1").arg(to);
    }
    QFile::setPermissions(to, source.permissions());
    const QDir dir(from);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        if (const QString error = copyTree(dir.filePath(name), QDir(to).filePath(name)); !error.isEmpty()) {
            return error;
        }
    }
    return {};
}

} // namespace mebo
