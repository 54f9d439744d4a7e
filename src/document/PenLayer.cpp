#include "document/PenLayer.h"

#include "document/LayerEffects.h"
#include "document/StrokeGeometry.h"
#include "document/StrokeStyle.h"

#include <QPainter>
#include <algorithm>

namespace mebo {

QPainterPath PenLayer::path() const {
    QPainterPath path;
    const qsizetype n = points.size();
    if (n < 2) {
        return path;
    }
    path.moveTo(points.front());
    if (smoothCurves && n >= 3) {
        // Each sample bends the stroke towards it and the curve passes through the midpoints, so
        // the jitter of the pointer is smoothed without losing the stroke's ends.
        for (qsizetype i = 1; i <= n - 2; ++i) {
            path.quadTo(points[i], (points[i] + points[i + 1]) / 2);
        }
        path.lineTo(points.back());
    } else {
        for (qsizetype i = 1; i < n; ++i) {
            path.lineTo(points[i]);
        }
    }
    return path;
}

void PenLayer::draw(QPainter& painter, const QImage&) const {
    if (points.size() < 2 || strokeWidth <= 0) {
        return;
    }
    const QPainterPath stroke = path();
    const QPen pen = strokePen(color, strokeWidth, lineStyle, lineCap, lineJoin);
    paintWithEffects(painter, shadow, opacity, bounds(), [&](QPainter& p) { strokeShape(p, stroke, pen); });
}

QRectF PenLayer::bounds() const {
    QRectF box = points.size() >= 2 ? path().boundingRect() : QPolygonF(points).boundingRect();
    double grow = StrokeGeometry::capReach(strokeWidth, capStyle(lineStyle, lineCap));
    if (joinStyle(lineJoin) == Qt::MiterJoin) {
        // A miter may reach limit x half the width from its corner.
        grow = std::max(grow, std::max(0.0, strokeWidth));
    }
    return box.adjusted(-grow, -grow, grow, grow);
}

LayerPtr PenLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    for (QPointF& p : copy->points) {
        p += QPointF(dx, dy);
    }
    return copy;
}

bool PenLayer::hitTest(const QPointF& point) const {
    if (points.size() < 2) {
        return false;
    }
    return StrokeGeometry::distanceToPath(point, path()) < StrokeGeometry::strokeHitTolerance(strokeWidth);
}

} // namespace mebo
