#include "video/FrameOverlay.h"

#include <QPainter>
#include <cmath>

namespace mebo {

QRect FrameOverlay::frameRect(QSize frame) const {
    if (image.isNull()) {
        return {};
    }
    const double top = frame.height() - (origin.y() + image.height());
    // One pixel of slack each way for the rounding and the antialiased edge.
    return QRect(int(std::round(origin.x())) - 1, int(std::round(top)) - 1, image.width() + 2,
                 image.height() + 2)
        .intersected(QRect(QPoint(0, 0), frame));
}

void FrameOverlay::compositeOver(QImage& frame) const {
    if (image.isNull() || frame.isNull()) {
        return;
    }
    // Flip the overlay's bottom-left origin into the frame's top-left rows.
    const double top = frame.height() - (origin.y() + image.height());
    QPainter p(&frame);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(QPointF(std::round(origin.x()), std::round(top)), image);
}

} // namespace mebo
