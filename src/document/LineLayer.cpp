#include "document/LineLayer.h"

#include <QPainter>

namespace mebo {

void LineLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF LineLayer::bounds() const {
    return QRectF(start, end).normalized();
}

LayerPtr LineLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->start += QPointF(dx, dy);
    copy->end += QPointF(dx, dy);
    return copy;
}

bool LineLayer::hitTest(const QPointF& point) const {
    return DrawingLayer::hitTest(point);
}

} // namespace mebo
