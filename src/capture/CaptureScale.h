#pragma once

#include <cmath>

class QImage;

namespace mebo {

// A capture carries the scale of the display it came from (device pixels per point) as its pixel
// density: 96 dots per inch per point, the X11 baseline (an Xft.dpi of 192 is scale 2). QImage keeps
// the density through crops and copies, and the PNG writer stores it in the file's pHYs chunk, so
// a viewer can show a 2x capture at its size in points.
namespace CaptureScale {

// Pixels per metre at `scale`: 3780 at 1x, 7559 at 2x.
inline int dotsPerMetre(int scale) {
    return int(std::lround(scale * 96.0 / 0.0254));
}

// Changing a shared image's density copies its pixels: an image that has it already is left alone.
void tag(QImage& image, int scale);

// The whole scale an image's density stands for (1 for an image nobody tagged).
int of(const QImage& image);

} // namespace CaptureScale
} // namespace mebo
