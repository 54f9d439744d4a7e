#include "platform/ffmpeg/FfmpegFrameGenerator.h"

#include <QTransform>
#include <algorithm>
#include <cmath>

namespace mebo::platform {

QSize FfmpegFrameGenerator::fitWithin(QSize display, QSize maxSize) {
    if (display.isEmpty()) {
        return {};
    }
    double scale = 1.0;
    if (maxSize.width() > 0) {
        scale = std::min(scale, double(maxSize.width()) / display.width());
    }
    if (maxSize.height() > 0) {
        scale = std::min(scale, double(maxSize.height()) / display.height());
    }
    return QSize(std::max(1, int(std::lround(display.width() * scale))),
                 std::max(1, int(std::lround(display.height() * scale))));
}

bool FfmpegFrameGenerator::open(const QString& path, QSize maxSize, QString* error) {
    if (reader_.open(path, error) != FfmpegVideoReader::OpenResult::ok) {
        return false;
    }
    const bool sideways = reader_.rotationDegrees() % 180 != 0;
    const QSize coded = reader_.codedSize();
    const QSize display = sideways ? coded.transposed() : coded;
    size_ = fitWithin(display, maxSize);
    if (size_.isEmpty()) {
        *error = QStringLiteral("the video has no picture size");
        return false;
    }
    reader_.setOutput(QRect(), sideways ? size_.transposed() : size_);
    // A GIF keeps a still pixel until it changes by more than a level, so a frame's colours must
    // be steady and right to the level: libyuv's rounding shifts them by two or three.
    reader_.setExactColours(true);
    return true;
}

QImage FfmpegFrameGenerator::frameAt(double seconds, QString* error) {
    QString err;
    if (!reader_.advanceTo(seconds, &err)) {
        *error = err.isEmpty() ? QStringLiteral("no frame at %1 s").arg(seconds) : err;
        return {};
    }
    return upright(reader_.currentImage());
}

QImage FfmpegFrameGenerator::quickFrameNear(double seconds, double* frameTime, QString* error) {
    if (reader_.isNear(seconds, kNearSec)) {
        return {};
    }
    QString err;
    if (!reader_.keyFrameBefore(seconds, &err)) {
        *error = err.isEmpty() ? QStringLiteral("no frame near %1 s").arg(seconds) : err;
        return {};
    }
    *frameTime = reader_.currentTime();
    return upright(reader_.currentImage());
}

QImage FfmpegFrameGenerator::upright(QImage image) {
    if (reader_.rotationDegrees() != 0) {
        image = image.transformed(QTransform().rotate(reader_.rotationDegrees()));
    }
    return image;
}

} // namespace mebo::platform
