#include "document/ArrowLayer.h"

#include <QPainter>

namespace mebo {

void ArrowLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF ArrowLayer::bounds() const {
    return QRectF(start, end).normalized();
}

LayerPtr ArrowLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->start += QPointF(dx, dy);
    copy->end += QPointF(dx, dy);
    if (copy->controlPoint) {
        *copy->controlPoint += QPointF(dx, dy);
    }
    if (copy->controlPoint2) {
        *copy->controlPoint2 += QPointF(dx, dy);
    }
    return copy;
}

bool ArrowLayer::hitTest(const QPointF& point) const {
    return DrawingLayer::hitTest(point);
}

} // namespace mebo
