#include "document/SpotlightLayer.h"

#include "document/LayerEffects.h"
#include "document/ShapePaths.h"
#include "document/StrokeGeometry.h"
#include "document/StrokeStyle.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace mebo {

QPainterPath SpotlightLayer::shapePath() const {
    return ShapePaths::mosaicShape(shape, rect, cornerRadius);
}

QColor SpotlightLayer::effectiveDimColor() const {
    QColor c = dimColor.value_or(QColor(Qt::black));
    const double a = std::isfinite(dimAlpha) ? std::clamp(dimAlpha, 0.0, 1.0) : 0.0;
    c.setAlphaF(float(a));
    return c;
}

double SpotlightLayer::effectiveBorderWidth() const {
    return std::isfinite(borderWidth) && borderWidth > 0 ? borderWidth : 0;
}

void SpotlightLayer::draw(QPainter& painter, const QImage& base) const {
    const QColor dim = effectiveDimColor();
    const double border = effectiveBorderWidth();
    const QRectF image(QPointF(0, 0), QSizeF(base.size()));
    const QPainterPath hole = shapePath();
    // Lies flat on the image like a mosaic: no drop shadow.
    paintWithEffects(painter, ShadowStyle::none, opacity, image.united(bounds()), [&](QPainter& p) {
        if (dim.alpha() > 0 && !image.isEmpty()) {
            QPainterPath outside;
            outside.setFillRule(Qt::OddEvenFill);
            outside.addRect(image);
            outside.addPath(hole);
            p.fillPath(outside, dim);
        }
        if (border > 0) {
            strokeShape(p, hole, strokePen(borderColor, border, borderStyle));
        }
    });
}

QRectF SpotlightLayer::bounds() const {
    const double half = effectiveBorderWidth() / 2;
    return rect.normalized().adjusted(-half, -half, half, half);
}

bool SpotlightLayer::hitTest(const QPointF& point) const {
    return StrokeGeometry::hitsShape(shapePath(), point, std::max(4.0, effectiveBorderWidth() / 2));
}

LayerPtr SpotlightLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    return copy;
}

} // namespace mebo
