#include "document/LineLayer.h"

#include "document/LayerEffects.h"
#include "document/StrokeGeometry.h"
#include "document/StrokeStyle.h"

#include <QPainter>

namespace mebo {

void LineLayer::draw(QPainter& painter, const QImage&) const {
    if (strokeWidth <= 0) {
        return;
    }
    const QPen pen = strokePen(color, strokeWidth, lineStyle, lineCap);
    paintWithEffects(painter, shadow, opacity, bounds(), [&](QPainter& p) {
        QPainterPath line(start);
        line.lineTo(end);
        strokeShape(p, line, pen);
    });
}

QRectF LineLayer::bounds() const {
    double grow = StrokeGeometry::capReach(strokeWidth, capStyle(lineStyle, lineCap));
    if (shadow != ShadowStyle::none) {
        grow += 6;
    }
    return QRectF(start, end).normalized().adjusted(-grow, -grow, grow, grow);
}

LayerPtr LineLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->start += QPointF(dx, dy);
    copy->end += QPointF(dx, dy);
    return copy;
}

// Lines are grabbed like arrow shafts: within max(8, 1.5 w) of the segment.
bool LineLayer::hitTest(const QPointF& point) const {
    return StrokeGeometry::distanceToSegment(point, start, end) <
           StrokeGeometry::strokeHitTolerance(strokeWidth);
}

} // namespace mebo
