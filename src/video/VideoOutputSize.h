#pragma once

#include "video/VideoSnapshot.h"

#include <QList>
#include <QSize>
#include <QSizeF>
#include <QString>
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

    // The export choices the editor offers.
    static const QList<int>& exportFpsChoices();    // 5, 10, 15, 24, 30, 60
    static const QList<int>& exportHeightChoices(); // 720, 1080, 1440, 2160
    // "Original" for no height; with a known source size "1080p (1920x1080)" (both sides even);
    // without one "720p", and "2160p (4K)".
    static QString resolutionTitle(std::optional<qint64> height, std::optional<QSizeF> source);
    // The canvas aspect choices: "Original" (no ratio), "16:9", "9:16", "1:1", "4:3".
    struct AspectChoice {
        QString title;
        std::optional<double> ratio; // width / height
    };
    static const QList<AspectChoice>& aspectChoices();
};

} // namespace mebo
