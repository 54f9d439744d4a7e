#pragma once

#include "video/VideoEnums.h"

#include <QRectF>
#include <optional>

namespace mebo {

// Where and how the separate webcam recording is composited over the output.
struct WebcamLayout {
    bool visible = true;
    WebcamAnchor anchor = WebcamAnchor::bottomRight;
    double scale = 0.2; // of the output frame's width
    WebcamMaskShape maskShape = WebcamMaskShape::rounded;
    std::optional<WebcamLayoutPreset> layoutPreset;
    std::optional<WebcamSizePreset> sizePreset;
    std::optional<double> x; // custom position of the webcam's centre, fractions of the frame
    std::optional<double> y;

    bool operator==(const WebcamLayout&) const = default;

    // The layout a project without one uses: visible, bottom right, 0.2, rounded.
    static WebcamLayout defaultLayout() { return {}; }

    // Choosing a layout preset: corners set their anchor; center and custom anchor at a custom
    // position (center at the middle, custom keeping x and y, 0.5 where absent).
    WebcamLayout withLayoutPreset(WebcamLayoutPreset preset) const;
    // Choosing a size preset: small 0.14, medium 0.2, large 0.28; custom keeps the scale.
    WebcamLayout withSizePreset(WebcamSizePreset preset) const;
    // The scale in effect: the size preset's (unless custom), else `scale`; within [0.05, 1].
    double effectiveScale() const;
    // The size preset a chooser shows: the stored one, else the preset whose scale this is
    // (a layout written without one), else custom.
    WebcamSizePreset shownSizePreset() const;
    // The custom preset with the webcam's centre where it is now over `frame`: a position dragged
    // from a corner or the centre starts there instead of jumping. A custom layout keeps x and y.
    WebcamLayout withCustomPositionIn(const QRectF& frame) const;
};

// The webcam's rectangle over a frame, in the frame's space with the origin at its lower-left
// corner and y upwards (the placement rule the player and the export share).
struct WebcamPlacement {
    QRectF rect;
    double cornerRadius = 0;
};

// Margins of 16 units; the rectangle rounded outward to whole units. Corner radius: half the
// shorter side for a circle, 0 for rect, 12 for rounded.
WebcamPlacement placeWebcam(const WebcamLayout& layout, const QRectF& frame);
// The centre of the placed webcam, in fractions of `frame` (y upwards, as `x` and `y`).
QPointF webcamCentre(const WebcamLayout& layout, const QRectF& frame);

} // namespace mebo
