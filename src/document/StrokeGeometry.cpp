#include "document/StrokeGeometry.h"

#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <limits>

namespace mebo::StrokeGeometry {

double strokeHitTolerance(double strokeWidth) {
    return std::max(8.0, 1.5 * strokeWidth);
}

double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
    const QPointF ab = b - a;
    const double lengthSq = QPointF::dotProduct(ab, ab);
    if (lengthSq <= 0) {
        return std::hypot(p.x() - a.x(), p.y() - a.y());
    }
    const double t = std::clamp(QPointF::dotProduct(p - a, ab) / lengthSq, 0.0, 1.0);
    const QPointF nearest = a + ab * t;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

double distanceToPolyline(const QPointF& p, const QList<QPointF>& points) {
    if (points.isEmpty()) {
        return std::numeric_limits<double>::infinity();
    }
    if (points.size() == 1) {
        return std::hypot(p.x() - points.front().x(), p.y() - points.front().y());
    }
    double best = std::numeric_limits<double>::infinity();
    for (qsizetype i = 1; i < points.size(); ++i) {
        best = std::min(best, distanceToSegment(p, points[i - 1], points[i]));
    }
    return best;
}

double distanceToPath(const QPointF& p, const QPainterPath& path) {
    double best = std::numeric_limits<double>::infinity();
    for (const QPolygonF& polygon : path.toSubpathPolygons()) {
        best = std::min(best, distanceToPolyline(p, QList<QPointF>(polygon.begin(), polygon.end())));
    }
    return best;
}

double distanceToOutline(const QPointF& p, const QPainterPath& path) {
    double best = std::numeric_limits<double>::infinity();
    for (const QPolygonF& polygon : path.toSubpathPolygons()) {
        QList<QPointF> points(polygon.begin(), polygon.end());
        if (points.size() > 2 && points.first() != points.last()) {
            points << points.first();
        }
        best = std::min(best, distanceToPolyline(p, points));
    }
    return best;
}

bool hitsShape(const QPainterPath& path, const QPointF& p, double margin) {
    if (path.isEmpty()) {
        return false;
    }
    if (path.contains(p)) {
        return true;
    }
    if (!(margin > 0) || !path.boundingRect().adjusted(-margin, -margin, margin, margin).contains(p)) {
        return false;
    }
    return distanceToOutline(p, path) <= margin;
}

QPointF quadPoint(const QPointF& p0, const QPointF& c, const QPointF& p1, double t) {
    const double u = 1 - t;
    return p0 * (u * u) + c * (2 * u * t) + p1 * (t * t);
}

QPointF cubicPoint(const QPointF& p0, const QPointF& c1, const QPointF& c2, const QPointF& p1, double t) {
    const double u = 1 - t;
    return p0 * (u * u * u) + c1 * (3 * u * u * t) + c2 * (3 * u * t * t) + p1 * (t * t * t);
}

double capReach(double strokeWidth, Qt::PenCapStyle cap) {
    const double half = std::max(0.0, strokeWidth) * 0.5;
    return cap == Qt::SquareCap ? half * M_SQRT2 : half;
}

} // namespace mebo::StrokeGeometry
