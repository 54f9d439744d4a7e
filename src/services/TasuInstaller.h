#pragma once

#include "services/PublisherKey.h"
#include "services/TasuInstallError.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>
#include <variant>

class QNetworkAccessManager;
class QNetworkReply;

namespace mebo {

namespace platform {
class CodeSigning;
}

// Downloads the hotkey companion Tasu, checks that it is Tasu (its bundle identifier) and that
// the pinned publisher signed it, and installs it as ~/Applications/Tasu.app without ever leaving
// a broken copy: an existing one is moved aside first and put back when the copy fails. Nothing
// is left in the temporary folder. One install at a time; main thread, the unpacking and copying
// on a worker.
class TasuInstaller : public QObject {
    Q_OBJECT
public:
    static constexpr const char* defaultBundleId = "app.mebo.tasu";

    struct Setup {
        QString appcastURL;
        QString expectedBundleId = QString::fromLatin1(defaultBundleId);
        std::optional<PublisherKey> publisherKey; // its key id is the expected team identifier
        QString installPath = defaultInstallPath();
        QString tempDir = defaultTempDir();
    };
    // Copies a folder tree; answers the reason it failed, or nothing.
    using CopyItem = std::function<QString(const QString& from, const QString& to)>;
    using Done = std::function<void(const std::optional<TasuFailure>&)>;

    TasuInstaller(Setup setup, std::shared_ptr<const platform::CodeSigning> signing,
                  QObject* parent = nullptr);

    bool isTasuInstalled() const;
    bool isInstalling() const { return installing_; }
    // Downloads, verifies and installs; `done` runs once, on the main thread.
    void install(Done done);
    // Starts the installed companion; false with the reason when it cannot.
    bool open(QString* error) const;

    const Setup& setup() const { return setup_; }
    QString expectedTeamId() const;
    // The installed companion's program.
    QString executable() const;

    static QString defaultInstallPath(); // ~/Applications/Tasu.app
    static QString defaultTempDir();
    static QString programInApp() { return QStringLiteral("Contents/bin/tasu"); }

    // The download address in the feed's first enclosure.
    static std::variant<QUrl, TasuDownloadError> enclosureUrl(const QString& feedText);
    // What an install needs, copied for the worker that runs it.
    struct Job {
        Setup setup;
        std::shared_ptr<const platform::CodeSigning> signing;
        CopyItem copyItem;
    };
    Job job() const { return {setup_, signing_, copyItem_}; }
    // Stage, identify, verify and replace (blocking; a worker thread).
    static std::optional<TasuInstallError> installArchive(const Job& job, const QString& archivePath);
    // Replaces the copy step (tests make it fail).
    void setCopyItem(CopyItem copy) { copyItem_ = std::move(copy); }
    static QString copyTree(const QString& from, const QString& to);

Q_SIGNALS:
    void installingChanged(bool installing);

private:
    void finish(const std::optional<TasuFailure>& failure);
    void onFeed();
    void onArchive();
    static std::optional<TasuInstallError> stage(const QString& archivePath, const QString& stagingDir);
    static std::optional<TasuInstallError> replace(const Job& job, const QString& appPath);

    Setup setup_;
    std::shared_ptr<const platform::CodeSigning> signing_;
    QNetworkAccessManager* network_ = nullptr;
    QPointer<QNetworkReply> reply_;
    CopyItem copyItem_;
    bool installing_ = false;
    Done done_;
    QString downloadedPath_;
};

} // namespace mebo
