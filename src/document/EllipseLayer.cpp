#include "document/EllipseLayer.h"

#include <QPainter>

namespace mebo {

void EllipseLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF EllipseLayer::bounds() const {
    return rect.normalized();
}

LayerPtr EllipseLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    return copy;
}

bool EllipseLayer::hitTest(const QPointF& point) const {
    return DrawingLayer::hitTest(point);
}

} // namespace mebo
