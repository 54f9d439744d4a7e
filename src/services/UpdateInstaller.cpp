#include "services/UpdateInstaller.h"

#include "services/ChildProcess.h"
#include "services/InstallLocation.h"
#include "services/UpdateGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

namespace mebo {

namespace {

QString errnoText(int error) {
    return QString::fromLocal8Bit(strerror(error));
}

int renameExchange(const QByteArray& a, const QByteArray& b) {
    return ::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE) == 0 ? 0 : errno;
}

int plainRename(const QByteArray& from, const QByteArray& to) {
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

// `incoming` takes `place`'s path; what stood at `place` moves to `outgoing`.
QString swap(const QString& place, const QString& incoming, const QString& outgoing) {
    const QByteArray p = QFile::encodeName(place);
    const QByteArray in = QFile::encodeName(incoming);
    const QByteArray out = QFile::encodeName(outgoing);
    int error = renameExchange(in, p);
    if (error == 0) {
        // `incoming`'s path now holds the old tree; give it its own name.
        error = plainRename(in, out);
        if (error != 0) {
            return QStringLiteral("cannot move the old version aside (%1)").arg(errnoText(error));
        }
        return {};
    }
    if (error != EINVAL && error != ENOSYS && error != ENOTSUP) {
        return QStringLiteral("cannot exchange %1 and %2 (%3)").arg(incoming, place, errnoText(error));
    }
    // The file system cannot exchange: two renames, the first undone when the second fails.
    error = plainRename(p, out);
    if (error != 0) {
        return QStringLiteral("cannot move %1 aside (%2)").arg(place, errnoText(error));
    }
    error = plainRename(in, p);
    if (error != 0) {
        plainRename(out, p);
        return QStringLiteral("cannot move %1 to %2 (%3)").arg(incoming, place, errnoText(error));
    }
    return {};
}

} // namespace

Result<QString> UpdateInstaller::createStagingDir(const InstallLocation& location) {
    const QDir parent(QFileInfo(location.root()).absolutePath());
    const QString name =
        QString::fromLatin1(stagingPrefix) + QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!parent.mkdir(name)) {
        return Result<QString>::fail(
            QStringLiteral("cannot create a staging folder in %1").arg(parent.absolutePath()));
    }
    return Result<QString>::ok(parent.filePath(name));
}

QString UpdateInstaller::previousTree(const QString& stagingDir) {
    return QDir(stagingDir).filePath(QStringLiteral("previous"));
}

QString UpdateInstaller::failedTree(const QString& stagingDir) {
    return QDir(stagingDir).filePath(QStringLiteral("failed"));
}

QString UpdateInstaller::swapIn(const QString& root, const QString& newTree, const QString& previous) {
    if (!QFileInfo(root).isDir()) {
        return QStringLiteral("%1 is not a folder").arg(root);
    }
    if (QFileInfo::exists(previous)) {
        return QStringLiteral("%1 is in the way").arg(previous);
    }
    return swap(root, newTree, previous);
}

QString UpdateInstaller::swapBack(const QString& root, const QString& previous, const QString& failed) {
    if (!QFileInfo(previous).isDir()) {
        return QStringLiteral("the previous version is gone from %1").arg(previous);
    }
    return swap(root, previous, failed);
}

QString UpdateInstaller::checkStarts(const QString& root, const QString& version, int timeoutMs) {
    const QString program = QDir(root).filePath(InstallLocation::programInTree());
    ChildProcess::Environment env;
    for (const QString& variable : UpdateGuard::versionOverrides()) {
        env.insert(variable, std::nullopt);
    }
    const ChildProcess::Outcome run =
        ChildProcess::run(program, {QStringLiteral("--version")}, timeoutMs, env);
    if (!run.started) {
        return run.error;
    }
    if (run.timedOut) {
        return QStringLiteral("%1 did not answer --version").arg(program);
    }
    const QString out = QString::fromUtf8(run.out).trimmed();
    if (!run.exited || run.exitCode != 0) {
        return QStringLiteral("%1 --version failed (exit %2)").arg(program).arg(run.exitCode);
    }
    if (!out.startsWith(QStringLiteral("mebo ") + version + QLatin1Char(' ')) &&
        out != QStringLiteral("mebo ") + version) {
        return QStringLiteral("%1 reports \"%2\" instead of version %3").arg(program, out, version);
    }
    return {};
}

bool UpdateInstaller::removeTree(const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return true;
    }
    return QDir(path).removeRecursively();
}

void UpdateInstaller::removeStaleStaging(const InstallLocation& location) {
    if (!location.canInstall()) {
        return;
    }
    const QDir parent(QFileInfo(location.root()).absolutePath());
    for (const QString& name : parent.entryList({QString::fromLatin1(stagingPrefix) + QLatin1Char('*')},
                                                QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QString dir = parent.filePath(name);
        // A guard at work writes its pid here; its folder stays while that process lives.
        QFile pidFile(QDir(dir).filePath(QStringLiteral("guard.pid")));
        if (pidFile.open(QIODevice::ReadOnly)) {
            const qint64 pid = pidFile.readAll().trimmed().toLongLong();
            if (pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM)) {
                continue;
            }
        }
        removeTree(dir);
    }
}

} // namespace mebo
