#include "document/EraserStrokeLayer.h"

#include "document/StrokeGeometry.h"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>

namespace mebo {

QPainterPath EraserStrokeLayer::path() const {
    QPainterPath path;
    if (points.isEmpty()) {
        return path;
    }
    path.moveTo(points.front());
    for (qsizetype i = 1; i < points.size(); ++i) {
        path.lineTo(points[i]);
    }
    return path;
}

void EraserStrokeLayer::applyToBase(QPainter& painter) const {
    if (points.isEmpty() || width <= 0) {
        return;
    }
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    if (points.size() == 1) {
        // A single click erases a round spot the size of the brush.
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawEllipse(points.front(), width / 2, width / 2);
    } else {
        QPen pen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.strokePath(path(), pen);
    }
    painter.restore();
}

// Erasing happens on the base image before the layers are drawn (DocumentFlattener::applyErasers).
void EraserStrokeLayer::draw(QPainter&, const QImage&) const {}

QRectF EraserStrokeLayer::bounds() const {
    const double half = std::max(0.0, width) / 2;
    return QPolygonF(points).boundingRect().adjusted(-half, -half, half, half);
}

LayerPtr EraserStrokeLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    for (QPointF& p : copy->points) {
        p += QPointF(dx, dy);
    }
    return copy;
}

// Exactly the erased area: within half the brush width of the stroke.
bool EraserStrokeLayer::hitTest(const QPointF& point) const {
    return StrokeGeometry::distanceToPolyline(point, points) <= std::max(0.0, width) / 2;
}

} // namespace mebo
