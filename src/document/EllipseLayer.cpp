#include "document/EllipseLayer.h"

#include "document/LayerEffects.h"
#include "document/ShapePaths.h"
#include "document/StrokeStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>

namespace mebo {

void EllipseLayer::draw(QPainter& painter, const QImage&) const {
    const QRectF box = rect.normalized();
    if (box.isEmpty() && strokeWidth <= 0) {
        return;
    }
    QPainterPath path;
    path.addEllipse(box);
    paintWithEffects(painter, shadow, opacity, bounds(), [&](QPainter& p) {
        const QPointF c = box.center();
        p.translate(c);
        p.rotate(qRadiansToDegrees(rotation));
        p.translate(-c);
        if (gradient) {
            p.fillPath(path, gradient->brushFor(box));
        } else if (fillColor) {
            p.fillPath(path, *fillColor);
        }
        if (strokeWidth > 0) {
            strokeShape(p, path, strokePen(color, strokeWidth, lineStyle));
        }
    });
}

// The box of the rotated rectangle around the ellipse, stroke included.
QRectF EllipseLayer::bounds() const {
    const double half = std::max(0.0, strokeWidth) / 2;
    return ShapePaths::rotatedBounds(rect.normalized().adjusted(-half, -half, half, half), rotation);
}

LayerPtr EllipseLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    return copy;
}

bool EllipseLayer::hitTest(const QPointF& point) const {
    const QRectF box = rect.normalized();
    if (box.width() <= 0 || box.height() <= 0) {
        return false;
    }
    const QPointF c = box.center();
    const QPointF local = ShapePaths::unrotate(point, c, rotation);
    const double margin = std::max(strokeWidth / 2, 4.0);
    const double nx = (local.x() - c.x()) / (box.width() / 2 + margin);
    const double ny = (local.y() - c.y()) / (box.height() / 2 + margin);
    return nx * nx + ny * ny <= 1;
}

} // namespace mebo
