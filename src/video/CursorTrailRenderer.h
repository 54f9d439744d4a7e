#pragma once

#include "video/CursorPoint.h"
#include "video/FrameOverlay.h"

#include <QList>
#include <QRectF>
#include <array>
#include <optional>

namespace mebo {

// The cursor trail: a smoothed line through the pointer's recent positions that fades with age,
// with a dot at the newest. Shared by the recorder and the video export. Pure; any thread.
class CursorTrailRenderer {
public:
    // `points` in time order; `frameRect` in the frame's space (origin bottom-left).
    static std::optional<FrameOverlay> render(const CursorPoints& points, const QList<double>& colour,
                                              double tSec, double windowSec, const QRectF& frameRect,
                                              double widthPx);

    static std::array<double, 4> colourOf(const QList<double>& colour);
    static double windowMs(double windowSec);
    static double effectiveWidth(double widthPx);
};

} // namespace mebo
