#include "document/PathDistance.h"

#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <limits>

namespace mebo::PathDistance {

double toSegment(const QPointF& point, const QPointF& a, const QPointF& b) {
    const QPointF ab = b - a;
    const double lengthSquared = QPointF::dotProduct(ab, ab);
    if (lengthSquared <= 0) {
        return std::hypot(point.x() - a.x(), point.y() - a.y());
    }
    const double t = std::clamp(QPointF::dotProduct(point - a, ab) / lengthSquared, 0.0, 1.0);
    const QPointF nearest = a + ab * t;
    return std::hypot(point.x() - nearest.x(), point.y() - nearest.y());
}

double toOutline(const QPainterPath& path, const QPointF& point) {
    double best = std::numeric_limits<double>::infinity();
    const QList<QPolygonF> polygons = path.toSubpathPolygons();
    for (const QPolygonF& polygon : polygons) {
        const qsizetype n = polygon.size();
        if (n == 1) {
            best = std::min(best, toSegment(point, polygon[0], polygon[0]));
        }
        for (qsizetype i = 0; i + 1 < n; ++i) {
            best = std::min(best, toSegment(point, polygon[i], polygon[i + 1]));
        }
        if (n > 2 && polygon.first() != polygon.last()) {
            best = std::min(best, toSegment(point, polygon.last(), polygon.first()));
        }
    }
    return best;
}

bool hitsShape(const QPainterPath& path, const QPointF& point, double margin) {
    if (path.isEmpty()) {
        return false;
    }
    if (path.contains(point)) {
        return true;
    }
    return toOutline(path, point) <= margin;
}

} // namespace mebo::PathDistance
