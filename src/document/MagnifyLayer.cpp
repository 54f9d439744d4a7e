#include "document/MagnifyLayer.h"

#include <QPainter>

namespace mebo {

void MagnifyLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF MagnifyLayer::bounds() const {
    return lensRect();
}

LayerPtr MagnifyLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->center += QPointF(dx, dy);
    return copy;
}

} // namespace mebo
