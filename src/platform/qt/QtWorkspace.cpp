#include "platform/qt/QtWorkspace.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QUrl>

#include <mutex>
#include <unistd.h>

namespace mebo::platform {

namespace {

// Trash moves are serialised: two workers trashing the same name would otherwise race for the
// Trash's unique names and for creating its folders.
std::mutex& trashMutex() {
    static std::mutex mutex;
    return mutex;
}

// The D-Bus call may start the file manager first; do not wait forever for it.
constexpr int kShowItemsTimeoutMs = 10000;

// Qt 6.4 writes the record's "Path=" unescaped, but the Trash format wants it URL-escaped (file
// managers unescape it to restore the file; a name with '%' would not come back). Rewrites the
// line in the escaped form unless it already is. Best effort: the file is in the Trash either way.
void escapeTrashInfoPath(const QString& infoPath, const QString& original) {
    QFile in(infoPath);
    if (!in.open(QIODevice::ReadOnly)) {
        return;
    }
    QList<QByteArray> lines = in.readAll().split('\n');
    in.close();
    bool changed = false;
    for (QByteArray& line : lines) {
        if (!line.startsWith("Path=")) {
            continue;
        }
        const QString value = QString::fromUtf8(line.mid(5));
        // Absolute, or relative to the volume's top folder for a per-volume Trash.
        const bool raw = value == original || original.endsWith(QLatin1Char('/') + value);
        const QByteArray escaped = QUrl::toPercentEncoding(value, "/");
        if (raw && escaped != value.toUtf8()) {
            line = "Path=" + escaped;
            changed = true;
        }
    }
    if (!changed) {
        return;
    }
    QSaveFile out(infoPath);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(lines.join('\n'));
        out.commit();
    }
}

} // namespace

QtWorkspace::QtWorkspace(QDBusConnection bus) : bus_(std::move(bus)) {}

QStringList QtWorkspace::trashDirectoriesFor(const QString& path) {
    const QString uid = QString::number(::getuid());
    QStringList dirs;
    dirs << QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                .filePath(QStringLiteral("Trash"));
    const QStorageInfo volume(QFileInfo(path).absolutePath());
    if (volume.isValid()) {
        const QDir top(volume.rootPath());
        dirs << top.filePath(QStringLiteral(".Trash/") + uid)
             << top.filePath(QStringLiteral(".Trash-") + uid);
    }
    return dirs;
}

bool QtWorkspace::moveToTrash(const QString& path, QString* error) {
    auto fail = [error](const QString& reason) {
        if (error) {
            *error = reason;
        }
        return false;
    };
    const QFileInfo source(path);
    if (!source.exists() && !source.isSymLink()) {
        return fail(QStringLiteral("No such file or directory"));
    }
    const QString original = source.absoluteFilePath();
    const QStringList expected = trashDirectoriesFor(original);

    std::lock_guard lock(trashMutex());
    // Without the data folder Qt 6.4 builds a "Trash" in the working directory and still
    // reports success.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome)) {
        return fail(QStringLiteral("Cannot create the folder that holds the Trash: %1").arg(dataHome));
    }
    QFile file(original);
    if (!file.moveToTrash()) {
        return fail(file.errorString());
    }
    const QFileInfo trashed(file.fileName());
    const QString filesDir = trashed.dir().canonicalPath();
    for (const QString& trash : expected) {
        const QDir trashDir(trash);
        const QString info =
            trashDir.filePath(QStringLiteral("info/") + trashed.fileName() + QStringLiteral(".trashinfo"));
        if (QFileInfo(trashDir.filePath(QStringLiteral("files"))).canonicalFilePath() == filesDir &&
            QFileInfo::exists(info)) {
            escapeTrashInfoPath(info, original);
            return true;
        }
    }
    // It landed somewhere that is not a Trash: put it back and drop the stray record.
    const QString misplaced = trashed.absoluteFilePath();
    QDir strayRoot = trashed.dir();
    strayRoot.cdUp();
    QFile::remove(
        strayRoot.filePath(QStringLiteral("info/") + trashed.fileName() + QStringLiteral(".trashinfo")));
    if (!QFile::rename(misplaced, original)) {
        return fail(QStringLiteral("The Trash is not available; the file was moved to %1").arg(misplaced));
    }
    return fail(QStringLiteral("The Trash is not available (expected in %1)").arg(expected.constFirst()));
}

bool QtWorkspace::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

bool QtWorkspace::revealFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return false;
    }
    const QUrl folder = QUrl::fromLocalFile(info.absolutePath());
    if (!bus_) {
        bus_ = QDBusConnection::sessionBus();
    }
    if (!bus_->isConnected()) {
        return QDesktopServices::openUrl(folder);
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded)}
         << QString(); // startup notification id
    // Asynchronous: the bus answers ServiceUnknown at once when no file manager can be started.
    auto* watcher =
        new QDBusPendingCallWatcher(bus_->asyncCall(call, kShowItemsTimeoutMs), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [folder](QDBusPendingCallWatcher* w) {
        if (w->isError()) {
            QDesktopServices::openUrl(folder);
        }
        w->deleteLater();
    });
    return true;
}

bool QtWorkspace::relaunch(QString* error) {
    // Inside an AppImage the executable path points into a mount that ends with this process.
    QString program = qEnvironmentVariable("APPIMAGE");
    if (program.isEmpty()) {
        program = QCoreApplication::applicationFilePath();
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments({QStringLiteral("--background")});
    // The new instance waits for this one to end instead of handing itself over to it.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MEBO_RELAUNCHED_FROM"), QString::number(QCoreApplication::applicationPid()));
    process.setProcessEnvironment(env);
    if (!process.startDetached()) {
        if (error) {
            *error = process.errorString();
        }
        return false;
    }
    return true;
}

} // namespace mebo::platform
