#include "document/RectLayer.h"

#include "document/LayerEffects.h"
#include "document/ShapePaths.h"
#include "document/StrokeStyle.h"

#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace mebo {

QPainterPath RectLayer::outline() const {
    return ShapePaths::roundedRect(rect.normalized(), std::max(0.0, cornerRadius));
}

void RectLayer::draw(QPainter& painter, const QImage&) const {
    const QRectF box = rect.normalized();
    if (box.isEmpty() && strokeWidth <= 0) {
        return;
    }
    const QPainterPath path = outline();
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
            // Square corners stay crisp; 90 degrees is well inside the miter limit.
            strokeShape(p, path, strokePen(color, strokeWidth, lineStyle, std::nullopt, LineJoin::miter));
        }
    });
}

QRectF RectLayer::bounds() const {
    const double half = std::max(0.0, strokeWidth) / 2;
    return ShapePaths::rotatedBounds(rect.normalized().adjusted(-half, -half, half, half), rotation);
}

LayerPtr RectLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    copy->cornerRadius = std::max(0.0, copy->cornerRadius);
    return copy;
}

bool RectLayer::hitTest(const QPointF& point) const {
    const QRectF box = rect.normalized();
    const QPointF local = ShapePaths::unrotate(point, box.center(), rotation);
    const double margin = std::max(strokeWidth / 2, 4.0);
    const QRectF grown = box.adjusted(-margin, -margin, margin, margin);
    if (local.x() < grown.left() || local.x() > grown.right() || local.y() < grown.top() ||
        local.y() > grown.bottom()) {
        return false;
    }
    const double radius = ShapePaths::clampedRadius(box, cornerRadius);
    if (radius <= 0) {
        return true;
    }
    // Growing a rounded rectangle by the margin grows its corner arcs by the same amount.
    const double r = radius + margin;
    const double cx = std::clamp(local.x(), grown.left() + r, grown.right() - r);
    const double cy = std::clamp(local.y(), grown.top() + r, grown.bottom() - r);
    return std::hypot(local.x() - cx, local.y() - cy) <= r;
}

} // namespace mebo
