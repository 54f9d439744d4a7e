#include "document/PenLayer.h"

#include <QPainter>
#include <QPolygonF>

namespace mebo {

void PenLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF PenLayer::bounds() const {
    return QPolygonF(points).boundingRect();
}

LayerPtr PenLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    for (QPointF& p : copy->points) {
        p += QPointF(dx, dy);
    }
    return copy;
}

bool PenLayer::hitTest(const QPointF& point) const {
    return DrawingLayer::hitTest(point);
}

} // namespace mebo
