#include "video/VideoExporter.h"

#include "app/AppLogger.h"
#include "video/CursorTelemetryFile.h"
#include "video/VideoExportError.h"
#include "video/VideoExportPlan.h"
#include "video/VideoFrameCompositor.h"
#include "video/VideoRecordJson.h"
#include "video/WebcamMask.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace mebo {

namespace {

constexpr qint64 kStaleSeconds = 86400;

// The label of the session messages: "main" for the edit alone, "final" with the webcam laid over.
QString labelFor(bool withWebcam) {
    return withWebcam ? QStringLiteral("final") : QStringLiteral("main");
}

QString webcamFailureText(const platform::CompositionFailure& f) {
    switch (f.kind) {
    case platform::CompositionFailure::Kind::noVideoTrack:
        return WebcamMask::noVideoTrack();
    case platform::CompositionFailure::Kind::openFailed:
        return WebcamMask::readerCreationFailed(f.text);
    default:
        return WebcamMask::readerFailed(f.text);
    }
}

} // namespace

VideoExporter::VideoExporter(platform::VideoComposer& composer, platform::MediaProbe& probe)
    : composer_(composer), probe_(probe) {}

QString VideoExporter::temporaryPathFor(const QString& destination) {
    const QFileInfo info(destination);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? info.fileName() : info.completeBaseName();
    const QString name =
        base + QStringLiteral(".tmp") + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    return info.dir().filePath(name);
}

QString VideoExporter::workRoot() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty()) {
        base = QDir::tempPath();
    }
    return QDir(base).filePath(QStringLiteral("Mebo/VideoCopy"));
}

QString VideoExporter::createWorkFolder(const QString& root) {
    const QString folder = QDir(root).filePath(VideoRecordJson::uuidText(QUuid::createUuid()));
    return QDir().mkpath(folder) ? folder : QString();
}

int VideoExporter::sweepStaleWorkFolders(const QString& root, const QDateTime& now) {
    int removed = 0;
    const QFileInfoList entries =
        QDir(root).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries) {
        QDateTime made = entry.birthTime();
        if (!made.isValid()) {
            made = entry.lastModified();
        }
        if (made.isValid() && made.secsTo(now) <= kStaleSeconds) {
            continue;
        }
        const bool ok = entry.isDir() && !entry.isSymLink()
                            ? QDir(entry.absoluteFilePath()).removeRecursively()
                            : QFile::remove(entry.absoluteFilePath());
        removed += ok ? 1 : 0;
    }
    return removed;
}

bool VideoExporter::replaceDestination(const QString& temporary, const QString& destination, QString* error) {
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(destination).constData()) !=
        0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

int64_t VideoExporter::bitrateFor(QSize size, int fps) {
    const double bits = 0.12 * double(size.width()) * size.height() * std::max(fps, 1);
    return int64_t(std::clamp(bits, 1e6, 60e6));
}

VideoExporter::Outcome VideoExporter::run(const VideoExportJob& job,
                                          const std::function<void(double)>& progress,
                                          const std::atomic<bool>& cancel, QString* errorText) {
    const QString root = workRoot();
    sweepStaleWorkFolders(root, QDateTime::currentDateTime());
    const QString work = createWorkFolder(root);
    // The work folder lives as long as this export.
    struct WorkFolder {
        QString path;
        ~WorkFolder() {
            if (!path.isEmpty()) {
                QDir(path).removeRecursively();
            }
        }
    } workFolder{work};

    QString probeError;
    const auto facts = probe_.probe(job.sourcePath, &probeError);
    if (!facts || !facts->hasVideo) {
        const QString line = QStringLiteral("[VideoEditor] 載入影片 video track 失敗");
        logError(facts ? line : line + QStringLiteral(": ") + probeError);
        *errorText = VideoExportError{VideoExportError::Kind::cannotAddVideoTrack, {}}.description();
        return Outcome::failed;
    }
    const WebcamLayout layout = job.edit.webcamLayout.value_or(WebcamLayout::defaultLayout());
    const bool withWebcam = job.webcamPath.has_value() && layout.visible;
    const QString label = labelFor(withWebcam);
    VideoFrameCompositor::Inputs inputs;
    inputs.edit = job.edit;
    inputs.plan =
        VideoExportPlan::make(job.edit, facts->videoSize, facts->durationSec, facts->frameRate, withWebcam);
    inputs.assetFolder = job.assetFolder;
    inputs.chapterStyle = job.chapterStyle;
    const VideoExportPlan& plan = inputs.plan;
    if (!(plan.outputDuration > 0)) {
        *errorText = VideoExportError{VideoExportError::Kind::insertTimeRange,
                                      QStringLiteral("nothing of the video is kept")}
                         .description();
        logError(QStringLiteral("[VideoEditor] 匯出失敗 (") + label + QStringLiteral(") ") + *errorText);
        return Outcome::failed;
    }
    if (job.telemetryPath && (job.edit.showCursorTrail || job.edit.showClickRipple)) {
        QString error;
        inputs.telemetry = CursorTelemetryFile::read(*job.telemetryPath, &error);
        if (inputs.telemetry) {
            logInfo(QStringLiteral("[VideoEditor] 光標軌跡已載入: points=%1 clicks=%2")
                        .arg(inputs.telemetry->points.size())
                        .arg(inputs.telemetry->clicks.size()));
        } else {
            logWarning(QStringLiteral("[VideoEditor] 光標軌跡載入失敗: ") + error);
        }
    }
    const VideoFrameCompositor compositor(inputs);

    platform::CompositionRequest request;
    request.sourcePath = job.sourcePath;
    request.outputPath = temporaryPathFor(job.destination);
    for (const VideoExportTimeMapSegment& s : plan.timeMap) {
        request.timeMap.append({s.compStart, s.sourceStart, s.speed, s.compDuration});
    }
    request.outputDuration = plan.outputDuration;
    request.fps = plan.fps;
    request.renderSize = plan.renderSize;
    request.sourceCrop = plan.sourceCrop;
    request.videoSize = compositor.videoSize();
    auto outputRanges = [](const QList<TimeRange>& ranges) {
        QList<platform::OutputRange> out;
        for (const TimeRange& r : ranges) {
            out.append({r.start, r.end});
        }
        return out;
    };
    for (const platform::MediaAudioTrack& t : facts->audioTracks) {
        const bool system = t.role == platform::MediaAudioRole::system;
        request.audio.append({t.streamIndex,
                              system ? job.edit.systemAudioTrackEnabled : job.edit.micTrackEnabled,
                              outputRanges(system ? plan.systemMuted : plan.micMuted)});
    }
    if (withWebcam && plan.webcamRect) {
        request.overlayPath = job.webcamPath;
        request.overlaySize = plan.webcamRect->size();
    }
    request.videoBitrate = bitrateFor(plan.renderSize, plan.fps);
    QFile::remove(request.outputPath); // a leftover of an earlier run

    platform::CompositionFailure failure;
    const auto outcome = composer_.run(
        request, [&](const platform::CompositionFrame& f) { return compositor.render(f); }, progress, cancel,
        &failure);
    switch (outcome) {
    case platform::VideoComposer::Outcome::completed: {
        QString error;
        if (!replaceDestination(request.outputPath, job.destination, &error)) {
            QFile::remove(request.outputPath);
            logError(QStringLiteral("[VideoEditor] 匯出替換失敗 (") + label + QStringLiteral(") ") + error);
            *errorText = error;
            return Outcome::failed;
        }
        const QString line = QStringLiteral("[VideoEditor] 匯出成功 (") + label + QStringLiteral("): ") +
                             QFileInfo(job.destination).fileName();
        AppLogger::shared().os(platform::SystemLogType::Default, QStringLiteral("✅ ") + line);
        AppLogger::shared().record(LogLevel::success, line);
        return Outcome::completed;
    }
    case platform::VideoComposer::Outcome::cancelled:
        QFile::remove(request.outputPath);
        logInfo(QStringLiteral("[VideoEditor] 匯出已取消 (") + label + QStringLiteral(")"));
        return Outcome::cancelled;
    case platform::VideoComposer::Outcome::failed:
        break;
    }
    QFile::remove(request.outputPath);
    using Stage = platform::CompositionFailure::Stage;
    if (failure.stage == Stage::overlay) {
        *errorText = webcamFailureText(failure);
        logError(QStringLiteral("[VideoEditor] webcam 匯出合成失敗: ") + *errorText);
    } else if (failure.stage == Stage::source) {
        if (failure.kind == platform::CompositionFailure::Kind::noVideoTrack) {
            logError(QStringLiteral("[VideoEditor] 載入影片 video track 失敗"));
            *errorText = VideoExportError{VideoExportError::Kind::cannotAddVideoTrack, {}}.description();
        } else {
            *errorText =
                VideoExportError{VideoExportError::Kind::insertTimeRange, failure.text}.description();
            logError(QStringLiteral("[VideoEditor] 匯出失敗 (") + label + QStringLiteral(") ") + *errorText);
        }
    } else {
        // The encoder or the file: name the file, as the library's own errors say only what failed.
        *errorText = QStringLiteral("cannot write %1: %2").arg(job.destination, failure.text);
        logError(QStringLiteral("[VideoEditor] 匯出失敗 (") + label + QStringLiteral(") ") + failure.text);
    }
    return Outcome::failed;
}

} // namespace mebo
