#include "recording/RecordingRecovery.h"

#include "app/AppLogger.h"
#include "platform/MediaProbe.h"
#include "platform/MediaWriter.h"
#include "recording/ScreenRecordingSvc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace mebo {

namespace {

QString stemOf(const QString& unfinishedPath) {
    const QString name = QFileInfo(unfinishedPath).fileName();
    return name.left(name.size() - int(qstrlen(ScreenRecordingSvc::unfinishedSuffix)));
}

} // namespace

QStringList RecordingRecovery::findUnfinished(const QString& folder) {
    QStringList out;
    const QDir dir(folder);
    const QString pattern = QStringLiteral("*") + QLatin1String(ScreenRecordingSvc::unfinishedSuffix);
    for (const QFileInfo& info : dir.entryInfoList({pattern}, QDir::Files, QDir::Name)) {
        // A live recorder holds the lock; a crashed one left a stale lock (its process is gone).
        QLockFile lock(info.filePath() + QStringLiteral(".lock"));
        lock.setStaleLockTime(0); // a long recording's lock is old but alive
        if (!lock.tryLock(0)) {
            continue;
        }
        lock.unlock();
        out << info.filePath();
    }
    return out;
}

std::optional<RecordingRecovery::Recovered> RecordingRecovery::recover(const QString& unfinishedPath,
                                                                       platform::MediaRemuxer& remuxer,
                                                                       platform::MediaProbe& probe) {
    const QDir dir = QFileInfo(unfinishedPath).dir();
    const QString stem = stemOf(unfinishedPath);
    QString target = dir.filePath(stem + QStringLiteral(".mp4"));
    for (int n = 1; QFileInfo::exists(target); ++n) {
        target = dir.filePath(QStringLiteral("%1-%2.mp4").arg(stem).arg(n));
    }
    const QString temporary = dir.filePath(QFileInfo(target).completeBaseName() + QStringLiteral(".tmp.mp4"));
    QFile::remove(temporary);
    QString error;
    const bool copied = remuxer.copy(unfinishedPath, temporary, 0, std::nullopt, &error);
    std::optional<platform::MediaStreamFacts> info;
    if (copied) {
        info = probe.probe(temporary, &error);
    }
    if (!copied || !info || !info->hasVideo || info->durationSec <= 0 || !QFile::rename(temporary, target)) {
        QFile::remove(temporary);
        const QString damaged = dir.filePath(stem + QStringLiteral(".damaged.mp4"));
        QFile::remove(damaged);
        QFile::rename(unfinishedPath, damaged);
        QFile::remove(unfinishedPath + QStringLiteral(".lock"));
        logError(QStringLiteral("[Recording] 中斷的錄影無法恢復: %1 (%2)").arg(unfinishedPath, error));
        return std::nullopt;
    }
    QFile::remove(unfinishedPath);
    QFile::remove(unfinishedPath + QStringLiteral(".lock"));
    Recovered r;
    r.path = target;
    r.durationSec = info->durationSec;
    r.width = info->videoSize.width();
    r.height = info->videoSize.height();
    r.thumbnail = remuxer.frameAt(target, std::min(1.0, info->durationSec / 2), &error);
    logWarning(QStringLiteral("[Recording] 已恢復中斷的錄影: %1 (%2 s)")
                   .arg(target)
                   .arg(info->durationSec, 0, 'f', 1));
    return r;
}

} // namespace mebo
