#include "document/CalloutLayer.h"

#include <QPainter>

namespace mebo {

void CalloutLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF CalloutLayer::bounds() const {
    return rect.normalized();
}

LayerPtr CalloutLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    for (QPointF& p : copy->tails) {
        p += QPointF(dx, dy);
    }
    return copy;
}

bool CalloutLayer::hitTest(const QPointF& point) const {
    return DrawingLayer::hitTest(point);
}

} // namespace mebo
