#pragma once

#include "editor/FloodFillResult.h"

#include <QImage>
#include <QPointF>
#include <optional>

namespace mebo {

// The searches behind the fill tool's region and global modes. Pure functions of their arguments:
// safe on any thread (the editor runs them on a pool thread and applies the result on the main
// thread). Every failure is logged and answered with no result.
class FloodFill {
public:
    // The 4-connected area of pixels around `seed` (base-image pixels) whose RGB lies within the
    // threshold of the seed pixel's, alpha ignored. `tolerance` is the panel's 0 to 100.
    static std::optional<FloodFillResult> region(const QImage& base, const QPointF& seed, double tolerance);
    // Every pixel of the image within the threshold of the seed pixel's colour, connected or not.
    static std::optional<FloodFillResult> global(const QImage& base, const QPointF& seed, double tolerance);
    // Per-channel threshold: round(tolerance x 2.55) within 0..255; a NaN tolerance counts as 0.
    static int threshold(double tolerance);

    // Above this many pixels a fill still runs but says that it may take a while.
    static constexpr qint64 largeImagePixels = 4'000'000;
};

} // namespace mebo
