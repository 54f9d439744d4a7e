#include "video/FrameOverlay.h"

#include <QPainter>
#include <cmath>

namespace mebo {

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
