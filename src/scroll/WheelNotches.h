#pragma once

#include <array>
#include <cstddef>

namespace mebo {

// Turns the pixel distances of a scroll step into whole wheel notches (what XTest can post) and
// learns how many pixels a notch scrolls in the target from the shifts the stitcher measured.
// A first guess that is too large only makes the first step short; one that is too small could
// scroll past the frame, so the guess is the largest step seen in common applications.
class WheelNotches {
public:
    static constexpr double initialPixelsPerNotch = 120.0; // Chromium; GTK and xterm scroll less
    static constexpr double minPixelsPerNotch = 8.0;

    explicit WheelNotches(double pixelsPerNotch = initialPixelsPerNotch) : pixelsPerNotch_(pixelsPerNotch) {}

    double pixelsPerNotch() const { return pixelsPerNotch_; }
    // Notches for a step of `pixels`, at least one, and no more than fit in 85 % of a
    // `regionPixels` high region (so consecutive frames keep an overlap) unless one notch is more.
    int notchesFor(double pixels, double regionPixels) const;
    // How the notches of one step are spread over pulses with the given weights (summing to 1):
    // pulse i gets the notches that bring the running total to round(total x cumulative weight).
    template <std::size_t N>
    static std::array<int, N> spread(int total, const std::array<double, N>& weights) {
        std::array<int, N> out{};
        double cumulative = 0;
        int sent = 0;
        for (std::size_t i = 0; i < N; ++i) {
            cumulative += weights[i];
            const int target = i + 1 == N ? total : int(total * cumulative + 0.5);
            out[i] = target - sent;
            sent = target;
        }
        return out;
    }
    // `notches` notches moved the content `rows` rows. Ignored when nothing was posted or the
    // measure is far from the current guess (a page end cut the step short).
    void learn(int notches, int rows);
    // A step did not overlap the frame before it: the notch may be larger than thought, so the
    // guess doubles (up to `regionPixels`) and later steps are shorter, until the next measure
    // replaces it (the step may also have come late, on top of the next one).
    void overshot(double regionPixels);
    int samples() const { return samples_; }

private:
    double pixelsPerNotch_;
    int samples_ = 0;
};

} // namespace mebo
