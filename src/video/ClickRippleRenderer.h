#pragma once

#include "video/CursorPoint.h"
#include "video/FrameOverlay.h"

#include <QList>
#include <QRectF>
#include <array>
#include <optional>

namespace mebo {

// Click ripples: a ring that grows and fades after each click, with a dot at first. Shared by the
// recorder (drawn into recorded frames) and the video export. Pure; any thread.
class ClickRippleRenderer {
public:
    // `clicks` in time order; `colour` 0 to 4 numbers (red, green, blue, alpha; see colourOf);
    // `frameRect` in the frame's space (origin bottom-left). Nothing when nothing is to be drawn.
    static std::optional<FrameOverlay> render(const CursorPoints& clicks, const QList<double>& colour,
                                              double tSec, double durationSec, const QRectF& frameRect,
                                              double radiusPx);

    static std::array<double, 4> colourOf(const QList<double>& colour);
    static double effectiveRadius(double radiusPx);
    static double windowMs(double durationSec);
};

} // namespace mebo
