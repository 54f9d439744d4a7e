#include "recording/VideoTrimmer.h"

#include "app/AppLogger.h"
#include "platform/MediaWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <cmath>

namespace mebo {

std::optional<VideoTrimmer::Range> VideoTrimmer::parseRange(const QString& startText, const QString& endText,
                                                            double durationSec) {
    const Range r = rangeOf(startText, endText, durationSec);
    if (!(r.startSec < r.endSec)) {
        logWarning(
            QStringLiteral("[CaptureMgr] 裁剪範圍無效: start=%1 end=%2").arg(r.startSec).arg(r.endSec));
        return std::nullopt;
    }
    return r;
}

VideoTrimmer::Range VideoTrimmer::rangeOf(const QString& startText, const QString& endText,
                                          double durationSec) {
    const QLocale c = QLocale::c();
    bool ok = false;
    double start = c.toDouble(startText.trimmed(), &ok);
    if (!ok || !std::isfinite(start)) {
        start = 0;
    }
    start = std::max(start, 0.0);
    double end = c.toDouble(endText.trimmed(), &ok);
    if (!ok || !std::isfinite(end)) {
        end = durationSec;
    }
    end = std::min(end, durationSec);
    return Range{start, end};
}

QString VideoTrimmer::trimmedPathFor(const QString& source) {
    const QFileInfo info(source);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("_trimmed.mp4"));
}

QString VideoTrimmer::temporaryPathFor(const QString& destination) {
    const QFileInfo info(destination);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".tmp.mp4"));
}

std::optional<QString> VideoTrimmer::trim(const QString& source, const Range& range,
                                          const QString& destination) {
    const QString temporary = temporaryPathFor(destination);
    QFile::remove(temporary);
    QString error;
    if (!remuxer_.copy(source, temporary, range.startSec, range.endSec, &error)) {
        QFile::remove(temporary);
        logError(QStringLiteral("[CaptureMgr] 影片裁剪失敗"));
        return std::nullopt;
    }
    if (QFileInfo::exists(destination) && !QFile::remove(destination)) {
        logError(
            QStringLiteral("[CaptureMgr] 影片裁剪替換失敗: cannot remove %1, 使用臨時文件").arg(destination));
        return temporary;
    }
    QFile moved(temporary);
    if (!moved.rename(destination)) {
        logError(QStringLiteral("[CaptureMgr] 影片裁剪替換失敗: %1, 使用臨時文件").arg(moved.errorString()));
        return temporary;
    }
    logSuccess(QStringLiteral("[CaptureMgr] 影片裁剪成功: ") + destination);
    return destination;
}

} // namespace mebo
