#pragma once

#include <QImage>
#include <QRect>
#include <QtGlobal>

namespace mebo {

// What a region or global fill found, cut to the bounding box of the filled pixels.
struct FloodFillResult {
    QImage mask;    // Format_Grayscale8, exactly maskRect's size; 255 inside the fill, 0 outside
    QRect maskRect; // bounding box of the filled pixels, in base-image pixels
    qint64 pixelsFilled = 0;
};

} // namespace mebo
