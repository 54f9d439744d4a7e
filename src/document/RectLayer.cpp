#include "document/RectLayer.h"

#include <QPainter>

namespace mebo {

void RectLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF RectLayer::bounds() const {
    return rect.normalized();
}

LayerPtr RectLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    copy->cornerRadius = std::max(0.0, copy->cornerRadius);
    return copy;
}

bool RectLayer::hitTest(const QPointF& point) const {
    return DrawingLayer::hitTest(point);
}

} // namespace mebo
