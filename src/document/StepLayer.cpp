#include "document/StepLayer.h"

#include <QPainter>

namespace mebo {

void StepLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF StepLayer::bounds() const {
    return QRectF(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
}

LayerPtr StepLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->center += QPointF(dx, dy);
    return copy;
}

bool StepLayer::hitTest(const QPointF& point) const {
    return DrawingLayer::hitTest(point);
}

} // namespace mebo
