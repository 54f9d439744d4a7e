#pragma once

#include "platform/VideoFrameGenerator.h"

#include <QList>
#include <QString>
#include <atomic>
#include <functional>

namespace mebo {

// The options of a GIF export (the dialog's result).
struct GifExportOptions {
    int fps = 15;       // 5...30
    int maxWidth = 720; // the frame fits maxWidth × maxWidth
    bool loopOnce = false;

    static const QList<int>& fpsTicks();      // 5, 10, 15, 20, 25, 30
    static const QList<int>& maxWidthItems(); // 240, 360, 480, 720, 1080
};

// Samples a video at i / fps, stamps each frame with the watermark and writes them as an animated
// GIF to NAME.gif.part, which replaces the destination in one step once finished. Frames that
// cannot be read are skipped (logged), up to 30 % of them. Memory is bounded by a frame or two
// whatever the length. Blocking; run it off the main thread.
class GifExporter {
public:
    enum class Outcome { completed, cancelled, failed };

    GifExporter(platform::VideoFrameGenerator& frames, platform::GifWriter& writer);

    Outcome run(const QString& source, const QString& destination, const GifExportOptions& options,
                const std::function<void(double)>& progress, const std::atomic<bool>& cancel,
                QString* errorText);

    // The duration × fps, truncated (0.05 s at 15 fps has none).
    static int frameCount(double durationSec, int fps);
    static QString temporaryPathFor(const QString& destination); // destination + ".part"
    // More than 30 % skipped.
    static bool tooManySkipped(int skipped, int count);

private:
    platform::VideoFrameGenerator& frames_;
    platform::GifWriter& writer_;
};

} // namespace mebo
