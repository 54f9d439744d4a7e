#pragma once

#include "recording/CursorTelemetry.h"

#include <QImage>

namespace mebo {

// Draws the cursor halo, trail and click ripples into a recorded frame (video thread).
class CursorEffects {
public:
    struct Enabled {
        bool halo = false;
        bool trail = false;
        bool ripple = false;
    };

    static constexpr double trailWindowSec = 0.5;
    static constexpr double trailWidthPx = 10;
    static constexpr double rippleDurationSec = 0.6;
    static constexpr double rippleRadiusPx = 40;

    // Halo radius at a click pulse p (0 without a recent click).
    static double haloRadius(QSize frame, double pulse);
    // The click pulse `sinceClickMs` after the last click (nothing: no click).
    static double clickPulse(std::optional<int64_t> sinceClickMs);

    // Answers whether anything was drawn; `drawn` (when given) grows by the pixels drawn over.
    static bool draw(QImage& frame, const CursorTelemetry::Snapshot& snapshot, int64_t tMs, Enabled enabled,
                     QRect* drawn = nullptr);
};

} // namespace mebo
