#pragma once

#include "video/VideoRegions.h"

namespace mebo {

// Dragging a region's span on the timeline: moving it whole or one of its edges. Times snap to a
// quarter second unless Shift is held; no drag leaves [0, duration] or makes a span shorter than
// 0.1 s.
class SpanDrag {
public:
    enum class Mode { move, leftEdge, rightEdge };
    static constexpr double kGrid = 0.25;
    static constexpr double kMinLength = 0.1;
    // Points of the timeline's content width that are not time (its insets).
    static constexpr double kInsets = 80;

    // The time under a pointer `x` points from the start of the time scale, over a content width
    // `contentWidth` (the scale spans contentWidth - 80).
    static double timeAtX(double x, double contentWidth, double duration);
    // Rounded to the nearest quarter second.
    static double snapped(double t);

    // The span after dragging: `original` is the span when the drag began, `grabTime` the time
    // under the pointer then and `pointerTime` now.
    static TimeRange drag(Mode mode, TimeRange original, double grabTime, double pointerTime, double duration,
                          bool shiftHeld);
};

} // namespace mebo
