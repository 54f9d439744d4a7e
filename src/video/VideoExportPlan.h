#pragma once

#include "video/VideoSnapshot.h"

#include <QList>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <optional>

namespace mebo {

// Everything the export derives from an edit before the first frame: the time map, the muted and
// hidden output ranges, the frame rate, the render size and where the video and the webcam sit
// in the rendered frame. Pure; the per-frame work only reads it.
struct VideoExportPlan {
    double sourceDuration = 0;
    QSize sourceSize;
    QList<TimeRange> keptRanges;
    QList<VideoExportTimeMapSegment> timeMap;
    double outputDuration = 0;
    int fps = 30;
    QSize renderSize;

    // The source pixels that reach the output (the crop), and where they land in the rendered
    // frame (top-left origin, render pixels).
    QRect sourceCrop;
    QRectF videoRect;
    // Render pixels per source pixel (the canvas scaled to the render size).
    double scale = 1;
    // Whether the video is laid on a canvas (background, padding, aspect ratio) rather than
    // filling the frame.
    bool usesCanvas = false;
    double cornerRadius = 0; // render pixels

    QList<TimeRange> systemMuted; // output seconds
    QList<TimeRange> micMuted;
    QList<TimeRange> webcamHidden;

    // The webcam's rectangle in render pixels (top-left origin), its mask's render size and
    // corner radius; nothing when no webcam is laid over.
    std::optional<QRect> webcamRect;
    double webcamCornerRadius = 0;

    static constexpr int kFallbackFps = 30;

    // `fpsOverride` and `heightOverride` stand in for the edit's export settings (the command
    // line's --fps and --height). `sourceFps` nothing: 30.
    static VideoExportPlan make(const VideoSnapshot& edit, QSize sourceSize, double sourceDuration,
                                std::optional<double> sourceFps, bool withWebcam);

    // The export frame rate: the edit's when set (1...240), else the source's rounded (30 when
    // unknown or out of range).
    static int exportFps(const std::optional<qint64>& editFps, std::optional<double> sourceFps);
    // The crop in source pixels (the content rectangle of VideoOutputSize), within the frame.
    static QRect cropPixels(QSize source, const std::optional<QRectF>& cropRect);
    // Whether `t` (output seconds) lies in one of `ranges` ([start, end)).
    static bool inRanges(const QList<TimeRange>& ranges, double t);
};

} // namespace mebo
