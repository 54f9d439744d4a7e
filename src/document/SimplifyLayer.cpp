#include "document/SimplifyLayer.h"

#include "document/LayerEffects.h"
#include "document/ShapePaths.h"
#include "document/StrokeGeometry.h"
#include "document/StrokeStyle.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace mebo {

QPainterPath SimplifyLayer::shapePath() const {
    return ShapePaths::mosaicShape(shape, rect, cornerRadius);
}

double SimplifyLayer::effectiveBorderWidth() const {
    return std::isfinite(borderWidth) && borderWidth > 0 ? borderWidth : 0;
}

void SimplifyLayer::draw(QPainter& painter, const QImage& base) const {
    if (rect.normalized().isEmpty()) {
        return;
    }
    const QPainterPath path = shapePath();
    const double border = effectiveBorderWidth();
    paintWithEffects(painter, shadow, opacity, bounds(), [&](QPainter& p) {
        p.fillPath(path, fillColor);
        if (border > 0) {
            strokeShape(p, path, strokePen(borderColor, border, borderStyle));
        }
    });
}

QRectF SimplifyLayer::bounds() const {
    const double half = effectiveBorderWidth() / 2;
    return rect.normalized().adjusted(-half, -half, half, half);
}

bool SimplifyLayer::hitTest(const QPointF& point) const {
    return StrokeGeometry::hitsShape(shapePath(), point, std::max(4.0, effectiveBorderWidth() / 2));
}

LayerPtr SimplifyLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    return copy;
}

} // namespace mebo
