#pragma once

#include "document/GradientFill.h"
#include "video/VideoRegions.h"
#include "video/WebcamLayout.h"

#include <QList>
#include <QRectF>
#include <optional>

namespace mebo {

// The whole edit state of a video (what undo restores and the project file stores besides the
// media names). Defaults are those of a project file that leaves the key out.
struct VideoSnapshot {
    QList<TrimRegion> trimRegions;
    QList<SpeedRegion> speedRegions;
    QList<AnnotationRegion> annotationRegions;
    QList<RecordingSegment> recordingSegments;
    QList<ChapterSegment> chapterSegments; // empty: no chapters (the file leaves the key out)
    bool systemAudioTrackEnabled = true;
    QList<TrackDisabledRegion> systemAudioMuteRegions;
    bool micTrackEnabled = true;
    QList<TrackDisabledRegion> micMuteRegions;
    QList<TrackDisabledRegion> webcamHiddenRegions;
    bool showBackground = false;
    ColorRGBA backgroundColorRGBA{0, 0, 0, 1};
    double backgroundPadding = 0;
    double backgroundCornerRadius = 0;
    bool showShadow = false;
    double shadowIntensity = 0.5;
    std::optional<double> canvasAspectRatio; // width / height; absent: the source's ratio
    std::optional<GradientFill> wallpaperGradient;
    std::optional<QRectF> cropRect; // fractions of the source frame
    bool cropAspectLocked = false;
    double motionBlurAmount = 0;
    std::optional<qint64> exportFps;              // absent: the source frame rate
    std::optional<qint64> exportResolutionHeight; // absent: the source size
    std::optional<WebcamLayout> webcamLayout;     // absent: WebcamLayout::defaultLayout()
    bool showCursorTrail = false;
    double cursorTrailWindowSec = 0.5;
    double cursorTrailWidth = 10;
    ColorRGBA cursorTrailColorRGBA{1.0, 0.9, 0.3, 0.9};
    bool showClickRipple = false;
    double clickRippleDurationSec = 0.6;
    double clickRippleRadiusPx = 40;
    ColorRGBA clickRippleColorRGBA{1.0, 0.3, 0.3, 0.85};

    bool operator==(const VideoSnapshot&) const = default;
};

} // namespace mebo
