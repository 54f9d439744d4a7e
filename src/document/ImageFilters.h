#pragma once

#include <QImage>
#include <QRect>

namespace mebo {

// Pixel operations the sampling layers and shadows need, on ARGB32 premultiplied images.
namespace ImageFilters {

// Gaussian blur of every channel with standard deviation sigma (three box passes; edges clamp).
void gaussianBlur(QImage& image, double sigma);
// The alpha channel of an image as an Alpha8 mask, at full size or averaged 2x2 down to half size
// (odd edges repeat their last row or column).
QImage alphaMask(const QImage& image, bool half);
// The same blur on an alpha mask (converted to Alpha8 when it is not one).
void blurAlpha(QImage& mask, double sigma);
// Blocks of `cellSize` pixels, each the average of the pixels it covers; blocks are aligned to
// the image's top-left corner.
void pixelate(QImage& image, double cellSize);
// A copy of `area` in `source`, converted to ARGB32 premultiplied; `area` is clipped to the image.
QImage copyPremultiplied(const QImage& source, const QRect& area);

} // namespace ImageFilters

} // namespace mebo
