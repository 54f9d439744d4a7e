#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace mebo::platform {

// Pictures of a video at given times (the GIF export's image generator): the display rotation
// applied, scaled down to fit `maxSize` keeping the aspect ratio. Times are asked for in increasing
// order (the generator decodes forward and seeks only over long gaps). One thread at a time.
class VideoFrameGenerator {
public:
    virtual ~VideoFrameGenerator() = default;
    // False with the reason when the file has no readable video.
    virtual bool open(const QString& path, QSize maxSize, QString* error) = 0;
    virtual double durationSec() const = 0;
    // The size of every picture answered.
    virtual QSize frameSize() const = 0;
    // The frame shown at `seconds` (RGB32), or a null image with the reason.
    virtual QImage frameAt(double seconds, QString* error) = 0;
    // A picture of the place quicker to make than frameAt() when that lies far from where decoding
    // stands (the key frame before it), with its time; null when frameAt() is as quick. A later
    // frameAt() near it goes on from there. The default has nothing quicker.
    virtual QImage quickFrameNear(double seconds, double* frameTime, QString* error) {
        (void)seconds;
        (void)frameTime;
        (void)error;
        return {};
    }
};

// Writes an animated GIF one frame at a time (memory bounded by a frame or two). Any thread, one
// at a time.
class GifWriter {
public:
    virtual ~GifWriter() = default;
    // `loopCount` 0 loops forever.
    virtual bool open(const QString& path, QSize size, int loopCount, QString* error) = 0;
    // `frame` of the opened size; `delaySec` how long it shows.
    virtual bool addFrame(const QImage& frame, double delaySec, QString* error) = 0;
    // Writes what is pending and closes the file.
    virtual bool finish(QString* error) = 0;
    // Closes without finishing (the caller removes the file).
    virtual void abandon() = 0;
};

} // namespace mebo::platform
