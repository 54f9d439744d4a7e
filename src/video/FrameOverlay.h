#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRectF>

namespace mebo {

// A picture to lay over a video frame. Geometry is in the frame's own space with the origin at
// the bottom-left (y grows upwards), as recorded positions are: `origin` is the bottom-left corner
// of `image` in that space; the image's rows run top-down as usual.
struct FrameOverlay {
    QImage image; // premultiplied ARGB
    QPointF origin;

    // Composites over `frame` (top-left origin, `frame.height()` rows), the overlay's space being
    // the frame's pixels.
    void compositeOver(QImage& frame) const;
    // The pixels of a `frame`-sized frame that compositeOver() may change.
    QRect frameRect(QSize frame) const;
};

} // namespace mebo
