#include "document/PolygonLayer.h"

#include <QPainter>

namespace mebo {

void PolygonLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF PolygonLayer::bounds() const {
    return rect.normalized();
}

LayerPtr PolygonLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    return copy;
}

bool PolygonLayer::hitTest(const QPointF& point) const {
    return DrawingLayer::hitTest(point);
}

} // namespace mebo
