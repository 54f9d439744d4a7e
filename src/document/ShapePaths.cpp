#include "document/ShapePaths.h"

#include <QPolygonF>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace mebo::ShapePaths {

double clampedRadius(const QRectF& rect, double radius) {
    const double limit = std::min(std::abs(rect.width()), std::abs(rect.height())) / 2;
    if (!std::isfinite(radius)) {
        return 0;
    }
    return std::clamp(radius, 0.0, std::max(limit, 0.0));
}

QPainterPath roundedRect(const QRectF& rect, double radius) {
    QPainterPath path;
    const QRectF r = rect.normalized();
    const double rr = clampedRadius(r, radius);
    if (rr > 0) {
        path.addRoundedRect(r, rr, rr);
    } else {
        path.addRect(r);
    }
    return path;
}

const QList<QPointF>& defaultPolygonFractions() {
    static const QList<QPointF> kFractions{
        {0.1, 0.24}, {0.42, 0.06}, {0.9, 0.22}, {0.78, 0.78}, {0.24, 0.92}};
    return kFractions;
}

QPainterPath mosaicShape(MosaicShape shape, const QRectF& rect, std::optional<double> cornerRadius,
                         const QList<QPointF>& polygonPoints) {
    const QRectF r = rect.normalized();
    QPainterPath path;
    switch (shape) {
    case MosaicShape::rect:
        path.addRect(r);
        break;
    case MosaicShape::roundedRect:
        path = roundedRect(r, cornerRadius.value_or(kDefaultRoundedRadius));
        break;
    case MosaicShape::ellipse:
        path.addEllipse(r);
        break;
    case MosaicShape::polygon: {
        QPolygonF poly;
        if (polygonPoints.size() >= 3) {
            poly = QPolygonF(polygonPoints);
        } else {
            for (const QPointF& f : defaultPolygonFractions()) {
                poly << QPointF(r.left() + f.x() * r.width(), r.top() + f.y() * r.height());
            }
        }
        path.addPolygon(poly);
        path.closeSubpath();
        break;
    }
    }
    return path;
}

QRectF rotatedBounds(const QRectF& rect, double radians) {
    if (radians == 0 || !std::isfinite(radians)) {
        return rect.normalized();
    }
    const QPointF c = rect.center();
    QTransform t;
    t.translate(c.x(), c.y());
    t.rotateRadians(radians);
    t.translate(-c.x(), -c.y());
    return t.map(QPolygonF(rect.normalized())).boundingRect();
}

QPointF unrotate(const QPointF& point, const QPointF& center, double radians) {
    if (radians == 0 || !std::isfinite(radians)) {
        return point;
    }
    const double c = std::cos(-radians);
    const double s = std::sin(-radians);
    const QPointF d = point - center;
    return center + QPointF(d.x() * c - d.y() * s, d.x() * s + d.y() * c);
}

} // namespace mebo::ShapePaths
