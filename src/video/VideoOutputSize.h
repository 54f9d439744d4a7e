#pragma once

#include "video/VideoSnapshot.h"

#include <QSize>
#include <QSizeF>
#include <optional>

namespace mebo {

// The size of the exported frame (and of the preview canvas) from the source size and the
// canvas settings: crop, background padding, shadow margin, aspect ratio, export height.
class VideoOutputSize {
public:
    // The base size when the source's is unknown.
    static constexpr QSize kFallbackSource{1280, 720};
    static constexpr double kShadowMargin = 20; // per unit of shadow intensity, on each side

    // The export heights offered; any other stored height renders at the canvas size.
    static bool isOfferedHeight(qint64 height);

    // The cropped content size (each side at least 1).
    static QSizeF contentSize(QSizeF source, const std::optional<QRectF>& cropRect);
    // Content plus padding and shadow margin (each side at least 1), widened or heightened to the
    // aspect ratio and then rounded up. The shadow is drawn on the background only, so its margin
    // needs showBackground.
    static QSizeF canvasSize(QSizeF source, const VideoSnapshot& edit);
    // The render size: the canvas size, or scaled to an offered export height with both sides
    // even.
    static QSize renderSize(std::optional<QSizeF> source, const VideoSnapshot& edit);
    // Rounded, at least 2, odd raised by one.
    static int even(double value);
};

} // namespace mebo
