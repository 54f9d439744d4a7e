#include "scroll/WheelNotches.h"

#include <algorithm>
#include <cmath>

namespace mebo {

int WheelNotches::notchesFor(double pixels, double regionPixels) const {
    const int wanted = std::max(1, int(std::lround(std::abs(pixels) / pixelsPerNotch_)));
    const int fits = std::max(1, int(0.85 * regionPixels / pixelsPerNotch_));
    return std::min(wanted, fits);
}

void WheelNotches::learn(int notches, int rows) {
    if (notches < 1 || rows < 1) {
        return;
    }
    const double measured = double(rows) / notches;
    // The first measure may be far from the guess; later ones that are far off come from a step
    // the page's end cut short.
    const double range = samples_ == 0 ? 4.0 : 1.5;
    if (measured < minPixelsPerNotch || measured > pixelsPerNotch_ * range ||
        measured < pixelsPerNotch_ / range) {
        return;
    }
    // The first measure replaces the guess; later ones are averaged in.
    pixelsPerNotch_ = samples_ == 0 ? measured : 0.5 * pixelsPerNotch_ + 0.5 * measured;
    ++samples_;
}

void WheelNotches::overshot(double regionPixels) {
    pixelsPerNotch_ = std::min(pixelsPerNotch_ * 2, std::max(regionPixels, pixelsPerNotch_));
    samples_ = 0; // a guess now: the next measure replaces it
}

} // namespace mebo
