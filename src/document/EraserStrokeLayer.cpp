#include "document/EraserStrokeLayer.h"

#include <QPainter>
#include <QPolygonF>

namespace mebo {

void EraserStrokeLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF EraserStrokeLayer::bounds() const {
    return QPolygonF(points).boundingRect();
}

LayerPtr EraserStrokeLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    for (QPointF& p : copy->points) {
        p += QPointF(dx, dy);
    }
    return copy;
}

bool EraserStrokeLayer::hitTest(const QPointF& point) const {
    return DrawingLayer::hitTest(point);
}

} // namespace mebo
