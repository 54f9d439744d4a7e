#include "document/CalloutShapes.h"

#include "document/ShapePaths.h"

#include <algorithm>
#include <cmath>

namespace mebo::CalloutShapes {

namespace {

// Bezier handle length of a quarter circle, as a fraction of its radius.
constexpr double kKappa = 0.5522847498;

double length(const QPointF& v) {
    return std::hypot(v.x(), v.y());
}

QPointF unit(const QPointF& v) {
    const double l = length(v);
    return l > 0 ? v / l : QPointF();
}

// The rounded rectangle the cloud's cusps sit on, starting at the middle of its top edge and
// running clockwise on screen, so that the bumps come out mirror-symmetric.
QPainterPath cloudCore(const QRectF& core, double rho) {
    QPainterPath path;
    const double l = core.left();
    const double t = core.top();
    const double r = core.right();
    const double b = core.bottom();
    path.moveTo(core.center().x(), t);
    path.lineTo(r - rho, t);
    path.arcTo(QRectF(r - 2 * rho, t, 2 * rho, 2 * rho), 90, -90);
    path.lineTo(r, b - rho);
    path.arcTo(QRectF(r - 2 * rho, b - 2 * rho, 2 * rho, 2 * rho), 0, -90);
    path.lineTo(l + rho, b);
    path.arcTo(QRectF(l, b - 2 * rho, 2 * rho, 2 * rho), 270, -90);
    path.lineTo(l, t + rho);
    path.arcTo(QRectF(l, t, 2 * rho, 2 * rho), 180, -90);
    path.closeSubpath();
    return path;
}

double cloudCoreRadius(const QRectF& core, double bump) {
    const double half = std::min(core.width(), core.height()) / 2;
    return std::min(half, std::max(2 * bump, 0.7 * half));
}

// A ring of half-circle bumps on a rounded core: evenly spaced cusps on the core, each pair joined
// by a half circle bulging outwards.
QPainterPath cloud(const QRectF& rect, double radius) {
    const double bump = cloudBumpSize(rect, radius);
    const QRectF core = rect.adjusted(bump, bump, -bump, -bump);
    if (bump <= 0 || core.width() <= 0 || core.height() <= 0) {
        QPainterPath plain;
        plain.addEllipse(rect);
        return plain;
    }
    const QPainterPath corePath = cloudCore(core, cloudCoreRadius(core, bump));
    const double perimeter = corePath.length();
    // Chords of at most two bump sizes give bumps at most one bump size high, so they stay inside
    // rect; an even count keeps the outline symmetric about the vertical axis.
    const int count = std::max(6, 2 * int(std::ceil(perimeter / (4 * bump))));
    QList<QPointF> cusps;
    for (int i = 0; i < count; ++i) {
        cusps << corePath.pointAtPercent(corePath.percentAtLength(perimeter * i / count));
    }
    const QPointF middle = core.center();
    QPainterPath path;
    path.moveTo(cusps.first());
    for (int i = 0; i < count; ++i) {
        const QPointF from = cusps[i];
        const QPointF to = cusps[(i + 1) % count];
        const QPointF centre = (from + to) / 2;
        const QPointF half = (to - from) / 2;
        QPointF normal(half.y(), -half.x());
        if (QPointF::dotProduct(normal, centre - middle) < 0) {
            normal = -normal;
        }
        // normal has the length of the half chord: the bump is a half circle on the chord.
        const QPointF top = centre + normal;
        path.cubicTo(from + normal * kKappa, top - half * kKappa, top);
        path.cubicTo(top + half * kKappa, to + normal * kKappa, to);
    }
    path.closeSubpath();
    return path;
}

QList<QPointF> arrowOutline(const QRectF& rect) {
    const double d = arrowPointDepth(rect);
    return {rect.topLeft(), QPointF(rect.right() - d, rect.top()), QPointF(rect.right(), rect.center().y()),
            QPointF(rect.right() - d, rect.bottom()), rect.bottomLeft()};
}

} // namespace

double arrowPointDepth(const QRectF& rect) {
    return std::max(0.0, std::min(rect.height() / 2, rect.width() / 3));
}

double cloudBumpSize(const QRectF& rect, double radius) {
    const double shortSide = std::min(rect.width(), rect.height());
    if (!std::isfinite(radius)) {
        radius = 0;
    }
    return std::max(0.0, std::min(std::max(0.75 * radius, 4.0), shortSide / 4));
}

QPainterPath roundedPolygon(const QList<QPointF>& points, double radius) {
    QPainterPath path;
    const qsizetype n = points.size();
    if (n < 3) {
        return path;
    }
    if (!std::isfinite(radius)) {
        radius = 0;
    }
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF vertex = points[i];
        const QPointF previous = points[(i + n - 1) % n];
        const QPointF next = points[(i + 1) % n];
        const double cut = std::min({radius, length(previous - vertex) / 2, length(next - vertex) / 2});
        if (cut <= 0) {
            if (i == 0) {
                path.moveTo(vertex);
            } else {
                path.lineTo(vertex);
            }
            continue;
        }
        const QPointF a = vertex + unit(previous - vertex) * cut;
        const QPointF b = vertex + unit(next - vertex) * cut;
        if (i == 0) {
            path.moveTo(a);
        } else {
            path.lineTo(a);
        }
        path.cubicTo(a + (vertex - a) * kKappa, b + (vertex - b) * kKappa, b);
    }
    path.closeSubpath();
    return path;
}

QPainterPath body(CalloutShape shape, const QRectF& rect, double radius) {
    const QRectF r = rect.normalized();
    switch (shape) {
    case CalloutShape::speechBubble:
    case CalloutShape::rectangle:
    case CalloutShape::roundedRect:
        return ShapePaths::roundedRect(r, radius);
    case CalloutShape::arrowRight:
        return roundedPolygon(arrowOutline(r), ShapePaths::clampedRadius(r, radius));
    case CalloutShape::cloud:
        return cloud(r, radius);
    }
    return ShapePaths::roundedRect(r, radius);
}

QRectF textArea(CalloutShape shape, const QRectF& rect, double radius) {
    const QRectF r = rect.normalized();
    switch (shape) {
    case CalloutShape::speechBubble:
    case CalloutShape::rectangle:
    case CalloutShape::roundedRect:
        return r;
    case CalloutShape::arrowRight:
        return r.adjusted(0, 0, -0.6 * arrowPointDepth(r), 0);
    case CalloutShape::cloud: {
        const double bump = cloudBumpSize(r, radius);
        return r.adjusted(bump, bump, -bump, -bump);
    }
    }
    return r;
}

QRectF tailFrame(CalloutShape shape, const QRectF& rect, double radius) {
    const QRectF r = rect.normalized();
    switch (shape) {
    case CalloutShape::speechBubble:
    case CalloutShape::rectangle:
    case CalloutShape::roundedRect:
        return r;
    case CalloutShape::arrowRight:
        return r.adjusted(0, 0, -arrowPointDepth(r), 0);
    case CalloutShape::cloud: {
        const double bump = cloudBumpSize(r, radius);
        return r.adjusted(bump, bump, -bump, -bump);
    }
    }
    return r;
}

} // namespace mebo::CalloutShapes
