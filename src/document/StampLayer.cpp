#include "document/StampLayer.h"

#include <QPainter>

namespace mebo {

void StampLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF StampLayer::bounds() const {
    return QRectF(center.x() - size / 2, center.y() - size / 2, size, size);
}

LayerPtr StampLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->center += QPointF(dx, dy);
    return copy;
}

bool StampLayer::hitTest(const QPointF& point) const {
    return DrawingLayer::hitTest(point);
}

} // namespace mebo
