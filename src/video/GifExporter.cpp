#include "video/GifExporter.h"

#include "app/AppLogger.h"
#include "video/MediaWatermark.h"
#include "video/VideoExporter.h"

#include <QFile>
#include <cmath>

namespace mebo {

const QList<int>& GifExportOptions::fpsTicks() {
    static const QList<int> ticks{5, 10, 15, 20, 25, 30};
    return ticks;
}

const QList<int>& GifExportOptions::maxWidthItems() {
    static const QList<int> items{240, 360, 480, 720, 1080};
    return items;
}

GifExporter::GifExporter(platform::VideoFrameGenerator& frames, platform::GifWriter& writer)
    : frames_(frames), writer_(writer) {}

int GifExporter::frameCount(double durationSec, int fps) {
    if (!(durationSec > 0) || !std::isfinite(durationSec) || fps <= 0) {
        return 0;
    }
    // The slack keeps 2 s × 15 at 30 when a container's duration reads 1.99999.
    return int(std::floor(durationSec * fps + 1e-3));
}

QString GifExporter::temporaryPathFor(const QString& destination) {
    return destination + QStringLiteral(".part");
}

bool GifExporter::tooManySkipped(int skipped, int count) {
    return count > 0 && double(skipped) / count > 0.3;
}

GifExporter::Outcome GifExporter::run(const QString& source, const QString& destination,
                                      const GifExportOptions& options,
                                      const std::function<void(double)>& progress,
                                      const std::atomic<bool>& cancel, QString* errorText) {
    const int fps = std::max(options.fps, 1);
    QString error;
    if (!frames_.open(source, QSize(options.maxWidth, options.maxWidth), &error)) {
        *errorText = error;
        return Outcome::failed;
    }
    const int count = frameCount(frames_.durationSec(), fps);
    if (count < 1) {
        *errorText = QStringLiteral("the video is too short for one frame at %1 fps").arg(fps);
        return Outcome::failed;
    }
    const QString temporary = temporaryPathFor(destination);
    QFile::remove(temporary);
    if (!writer_.open(temporary, frames_.frameSize(), options.loopOnce ? 1 : 0, &error)) {
        writer_.abandon();
        QFile::remove(temporary);
        *errorText = error;
        return Outcome::failed;
    }
    auto discard = [&] {
        writer_.abandon();
        QFile::remove(temporary);
    };
    const MediaWatermark watermark(frames_.frameSize());
    const double delay = 1.0 / fps;
    int skipped = 0;
    for (int i = 0; i < count; ++i) {
        if (cancel.load()) {
            discard();
            return Outcome::cancelled;
        }
        QImage frame = frames_.frameAt(double(i) / fps, &error);
        if (frame.isNull()) {
            logWarning(QStringLiteral("[GifExporter] frame %1: %2").arg(i).arg(error));
            ++skipped;
        } else {
            if (frame.format() != QImage::Format_RGB32) {
                frame = frame.convertToFormat(QImage::Format_RGB32);
            }
            watermark.stamp(frame);
            if (!writer_.addFrame(frame, delay, &error)) {
                discard();
                *errorText = error;
                return Outcome::failed;
            }
        }
        if (progress) {
            progress(double(i + 1) / count);
        }
    }
    if (tooManySkipped(skipped, count)) {
        logError(QStringLiteral("[GifExporter] aborting: %1 of %2 frames could not be read")
                     .arg(skipped)
                     .arg(count));
        discard();
        *errorText = QStringLiteral("%1 of %2 frames could not be read").arg(skipped).arg(count);
        return Outcome::failed;
    }
    if (!writer_.finish(&error)) {
        QFile::remove(temporary);
        *errorText = error;
        return Outcome::failed;
    }
    if (!VideoExporter::replaceDestination(temporary, destination, &error)) {
        logError(QStringLiteral("[GifExporter] atomic replace failed: ") + error);
        QFile::remove(temporary);
        *errorText = error;
        return Outcome::failed;
    }
    return Outcome::completed;
}

} // namespace mebo
