#pragma once

#include "platform/VideoFrameGenerator.h"
#include "platform/ffmpeg/FfmpegVideoReader.h"

namespace mebo::platform {

// Pictures at increasing times through FfmpegVideoReader: decoded forward, converted and scaled in
// one step only for the frames asked for, turned upright by the display rotation.
class FfmpegFrameGenerator : public VideoFrameGenerator {
public:
    bool open(const QString& path, QSize maxSize, QString* error) override;
    double durationSec() const override { return reader_.durationSec(); }
    QSize frameSize() const override { return size_; }
    QImage frameAt(double seconds, QString* error) override;
    // The key frame before `seconds` unless the exact frame is within kNearSec ahead.
    QImage quickFrameNear(double seconds, double* frameTime, QString* error) override;
    static constexpr double kNearSec = 0.25;

    // `display` scaled down (never up) to fit `maxSize`, keeping its aspect ratio; each side >= 1.
    static QSize fitWithin(QSize display, QSize maxSize);

private:
    QImage upright(QImage image);

    FfmpegVideoReader reader_;
    QSize size_;
};

} // namespace mebo::platform
