#include "document/PolygonLayer.h"

#include "document/LayerEffects.h"
#include "document/StrokeGeometry.h"
#include "document/StrokeStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>

namespace mebo {

QPolygonF PolygonLayer::vertices() const {
    const QRectF box = rect.normalized();
    const QPointF c = box.center();
    const double radius = std::min(box.width(), box.height()) / 2;
    const int n = std::clamp(sides, 3, 12);
    const bool star = innerRatio < 0.999999;
    const int count = star ? 2 * n : n;
    const double step = (star ? M_PI : 2 * M_PI) / n;
    QPolygonF points;
    points.reserve(count);
    for (int i = 0; i < count; ++i) {
        // -90 degrees is straight up on screen (y down); the rotation turns the whole shape.
        const double angle = -M_PI / 2 + i * step + rotation;
        const double r = (star && i % 2 == 1) ? innerRatio * radius : radius;
        points << c + QPointF(std::cos(angle) * r, std::sin(angle) * r);
    }
    return points;
}

namespace {

QPainterPath closedPath(const QPolygonF& points) {
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    return path;
}

// Polygons and stars keep sharp corners; the miter limit of 2 bevels the spikes of thin stars.
QPen outlinePen(const PolygonLayer& layer) {
    return strokePen(layer.color, layer.strokeWidth, layer.lineStyle, std::nullopt, LineJoin::miter);
}

} // namespace

void PolygonLayer::draw(QPainter& painter, const QImage&) const {
    const QPolygonF points = vertices();
    const QRectF box = rect.normalized();
    if (points.boundingRect().isEmpty()) {
        return;
    }
    const QPainterPath path = closedPath(points);
    paintWithEffects(painter, shadow, opacity, bounds(), [&](QPainter& p) {
        if (gradient) {
            // The gradient turns with the shape, across the rectangle's own box.
            const QPointF c = box.center();
            QTransform turn;
            turn.translate(c.x(), c.y());
            turn.rotateRadians(rotation);
            turn.translate(-c.x(), -c.y());
            QBrush brush = gradient->brushFor(box);
            brush.setTransform(turn);
            p.fillPath(path, brush);
        } else if (fillColor) {
            p.fillPath(path, *fillColor);
        }
        if (strokeWidth > 0) {
            strokeShape(p, path, outlinePen(*this));
        }
    });
}

QRectF PolygonLayer::bounds() const {
    const QPolygonF points = vertices();
    const QPainterPath path = closedPath(points);
    QRectF box = points.boundingRect();
    if (strokeWidth > 0) {
        // Measured on a solid outline so dashes do not make the box jump.
        QPen pen = outlinePen(*this);
        pen.setStyle(Qt::SolidLine);
        box = box.united(QPainterPathStroker(pen).createStroke(path).boundingRect());
    }
    return box;
}

LayerPtr PolygonLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    return copy;
}

// Like the rectangle: the whole interior counts, and the outline is grabbed within max(w / 2, 4).
bool PolygonLayer::hitTest(const QPointF& point) const {
    const QPolygonF points = vertices();
    if (points.boundingRect().isEmpty()) {
        return false;
    }
    if (points.containsPoint(point, Qt::WindingFill)) {
        return true;
    }
    QList<QPointF> ring(points.begin(), points.end());
    ring << points.front();
    return StrokeGeometry::distanceToPolyline(point, ring) <= std::max(strokeWidth / 2, 4.0);
}

} // namespace mebo
