#include "document/ArrowLayer.h"

#include "document/LayerEffects.h"
#include "document/StrokeGeometry.h"
#include "document/StrokeStyle.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

constexpr double kCos30 = 0.86602540378443865;
// A shaft that meets a separately filled head runs this far into the head's depth, so no seam
// shows at the base; the head is still wide enough there to hide the shaft's end.
constexpr double kShaftOverlap = 0.3;
// The shaft never gets wider than this share of a head's width where it meets the head.
constexpr double kMaxShaftShareOfHead = 0.7;

QPointF unit(const QPointF& v) {
    const double length = std::hypot(v.x(), v.y());
    return length > 1e-9 ? v / length : QPointF();
}

bool isZero(const QPointF& v) {
    return v.x() == 0 && v.y() == 0;
}

// Maps the arrow's own frame (x from the tail along the shaft, y to the right of it on screen)
// into image space.
QTransform shaftFrame(const QPointF& origin, const QPointF& dir) {
    return QTransform(dir.x(), dir.y(), -dir.y(), dir.x(), origin.x(), origin.y());
}

// One end of a straight shaft: either a head of the given length, or a cap `inset` units in from the
// end point (a butt end under a head drawn on its own, or the stroke's cap when there is no head).
struct ShaftEnd {
    double headLength = 0; // > 0: this end is a head, part of the outline
    Qt::PenCapStyle cap = Qt::RoundCap;
    double inset = 0;
    double maxHalfWidth = 1e9;
};

// The outline of a straight solid arrow in the shaft frame, as one contour: tail cap or head,
// shaft edges (tapering linearly from tailHalf to tipHalf), tip head or cap. When the heads
// leave no room for a shaft they are two triangles of the same orientation.
QPainterPath straightOutline(double length, double tailHalf, double tipHalf, const ShaftEnd& tail,
                             const ShaftEnd& tip) {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const auto halfAt = [&](double x) { return tailHalf + (tipHalf - tailHalf) * (x / length); };
    const double xs = tail.headLength > 0 ? kCos30 * tail.headLength : tail.inset;
    const double xe = length - (tip.headLength > 0 ? kCos30 * tip.headLength : tip.inset);
    if (xs >= xe) {
        if (tail.headLength > 0) {
            path.moveTo(0, 0);
            path.lineTo(xs, -tail.headLength / 2);
            path.lineTo(xs, tail.headLength / 2);
            path.closeSubpath();
        }
        if (tip.headLength > 0) {
            path.moveTo(length, 0);
            path.lineTo(xe, tip.headLength / 2);
            path.lineTo(xe, -tip.headLength / 2);
            path.closeSubpath();
        }
        return path;
    }
    const double hs = std::clamp(halfAt(xs), 0.0, tail.maxHalfWidth);
    const double he = std::clamp(halfAt(xe), 0.0, tip.maxHalfWidth);

    if (tail.headLength > 0) {
        path.moveTo(0, 0);
        path.lineTo(xs, -tail.headLength / 2);
        path.lineTo(xs, -hs);
    } else {
        path.moveTo(xs, -hs);
    }
    if (tip.headLength > 0) {
        path.lineTo(xe, -he);
        path.lineTo(xe, -tip.headLength / 2);
        path.lineTo(length, 0);
        path.lineTo(xe, tip.headLength / 2);
        path.lineTo(xe, he);
    } else {
        path.lineTo(xe, -he);
        if (tip.cap == Qt::RoundCap && he > 0) {
            path.arcTo(QRectF(xe - he, -he, 2 * he, 2 * he), 90, -180);
        } else if (tip.cap == Qt::SquareCap) {
            path.lineTo(xe + he, -he);
            path.lineTo(xe + he, he);
        }
        path.lineTo(xe, he);
    }
    if (tail.headLength > 0) {
        path.lineTo(xs, hs);
        path.lineTo(xs, tail.headLength / 2);
    } else {
        path.lineTo(xs, hs);
        if (tail.cap == Qt::RoundCap && hs > 0) {
            path.arcTo(QRectF(xs - hs, -hs, 2 * hs, 2 * hs), 270, -180);
        } else if (tail.cap == Qt::SquareCap) {
            path.lineTo(xs - hs, hs);
            path.lineTo(xs - hs, -hs);
        }
    }
    path.closeSubpath();
    return path;
}

// Control polygon of the curved shaft: 3 points (quadratic) or 4 (cubic).
QList<QPointF> curvePoints(const ArrowLayer& a) {
    if (a.controlPoint2) {
        return {a.start, *a.controlPoint, *a.controlPoint2, a.end};
    }
    return {a.start, *a.controlPoint, a.end};
}

QPointF curveAt(const QList<QPointF>& c, double t) {
    return c.size() == 4 ? StrokeGeometry::cubicPoint(c[0], c[1], c[2], c[3], t)
                         : StrokeGeometry::quadPoint(c[0], c[1], c[2], t);
}

// De Casteljau: the part of the curve between t0 and t1, as a control polygon of the same degree.
QList<QPointF> curvePiece(QList<QPointF> c, double t0, double t1) {
    const auto splitAt = [](const QList<QPointF>& pts, double t, bool keepRight) {
        QList<QPointF> left{pts.front()};
        QList<QPointF> right{pts.back()};
        QList<QPointF> level = pts;
        while (level.size() > 1) {
            QList<QPointF> next;
            for (qsizetype i = 1; i < level.size(); ++i) {
                next << level[i - 1] * (1 - t) + level[i] * t;
            }
            left << next.front();
            right.prepend(next.back());
            level = next;
        }
        return keepRight ? right : left;
    };
    if (t0 > 0) {
        c = splitAt(c, t0, true);
        t1 = (t1 - t0) / (1 - t0);
    }
    if (t1 < 1) {
        c = splitAt(c, t1, false);
    }
    return c;
}

QPainterPath curvePath(const QList<QPointF>& c) {
    QPainterPath path(c.front());
    if (c.size() == 4) {
        path.cubicTo(c[1], c[2], c[3]);
    } else {
        path.quadTo(c[1], c[2]);
    }
    return path;
}

// The curve parameter, searched from the end at `fromEnd` inwards, where the curve is first
// `distance` away from that end point. Returns the far end's parameter when it never gets that far.
double curveParamAtDistance(const QList<QPointF>& c, bool fromEnd, double distance) {
    const QPointF anchor = fromEnd ? c.back() : c.front();
    const auto far = [&](double t) {
        const QPointF p = curveAt(c, t);
        return std::hypot(p.x() - anchor.x(), p.y() - anchor.y()) >= distance;
    };
    constexpr int kSteps = 256;
    double inside = fromEnd ? 1.0 : 0.0;
    for (int k = 1; k <= kSteps; ++k) {
        const double t = fromEnd ? 1.0 - double(k) / kSteps : double(k) / kSteps;
        if (far(t)) {
            double outside = t;
            for (int i = 0; i < 30; ++i) {
                const double mid = (inside + outside) / 2;
                (far(mid) ? outside : inside) = mid;
            }
            return outside;
        }
        inside = t;
    }
    return fromEnd ? 0.0 : 1.0;
}

// Where a head's base crosses its axis, and the axis direction (towards the point).
struct HeadFrame {
    bool atEnd = true;
    QPointF point;
    QPointF dir;
    double length = 0;
};

QPainterPath trianglePath(const QPolygonF& triangle) {
    QPainterPath path;
    path.addPolygon(triangle);
    path.closeSubpath();
    return path;
}

// The outline drawn round a head, centred on its edges, minus the band where the shaft enters
// the head so the outline frames the arrow's silhouette instead of cutting across the shaft.
QPainterPath headOutlineArea(const QPolygonF& triangle, const HeadFrame& head, double shaftHalf,
                             const QPen& pen) {
    QPainterPathStroker stroker(pen);
    stroker.setJoinStyle(Qt::RoundJoin);
    QPainterPath ring = stroker.createStroke(trianglePath(triangle));
    ring.setFillRule(Qt::WindingFill);
    if (shaftHalf <= 0) {
        return ring.simplified();
    }
    const double depth = kCos30 * head.length;
    const double ow = pen.widthF();
    // In the head's frame x runs from the point backwards along the shaft.
    const double front = std::max(depth - ow / 2 - 0.5, depth * 0.5);
    const double back = depth + ow / 2 + 1;
    QPainterPath band;
    band.addRect(QRectF(front, -shaftHalf, back - front, 2 * shaftHalf));
    const QPointF back1 = -head.dir;
    const QTransform toImage(back1.x(), back1.y(), -back1.y(), back1.x(), head.point.x(), head.point.y());
    return ring.subtracted(toImage.map(band));
}

} // namespace

double ArrowLayer::endHeadLength() const {
    return std::max(headSize * endSize, 3.5 * strokeWidth);
}

double ArrowLayer::startHeadLength() const {
    return std::max(headSize * startSize, 3.5 * strokeWidth);
}

double ArrowLayer::outlineWidth() const {
    const double width = headOutlineWidth.value_or(std::max(2.0, strokeWidth / 2));
    return std::isfinite(width) ? std::clamp(width, 0.5, 40.0) : 2.0;
}

double ArrowLayer::headOutlineExcess() const {
    return headOutline ? std::max(0.0, outlineWidth() - strokeWidth) / 2 : 0.0;
}

QPainterPath ArrowLayer::centerLine() const {
    if (isCurved()) {
        return curvePath(curvePoints(*this));
    }
    QPainterPath path(start);
    path.lineTo(end);
    return path;
}

QPointF ArrowLayer::headDirection(bool atEnd) const {
    if (!isCurved()) {
        const QPointF d = unit(end - start);
        return atEnd ? d : -d;
    }
    // Along the tangent at that end; when a control point sits on the end the next point defines it.
    const QList<QPointF> c = curvePoints(*this);
    if (atEnd) {
        for (qsizetype i = c.size() - 2; i >= 0; --i) {
            if (!isZero(c.back() - c[i])) {
                return unit(c.back() - c[i]);
            }
        }
    } else {
        for (qsizetype i = 1; i < c.size(); ++i) {
            if (!isZero(c.front() - c[i])) {
                return unit(c.front() - c[i]);
            }
        }
    }
    return {};
}

QPolygonF ArrowLayer::headTriangle(bool atEnd) const {
    if (!(atEnd ? hasEndHead() : hasStartHead())) {
        return {};
    }
    const QPointF dir = headDirection(atEnd);
    if (isZero(dir)) {
        return {};
    }
    const QPointF point = atEnd ? end : start;
    const double length = atEnd ? endHeadLength() : startHeadLength();
    const QPointF base = point - dir * (kCos30 * length);
    const QPointF side(-dir.y(), dir.x());
    return QPolygonF{point, base + side * (length / 2), base - side * (length / 2)};
}

namespace {

// Everything an arrow paints, in image space, in painting order.
struct ArrowPaint {
    QPainterPath body; // filled with the arrow's colour
    QPainterPath shaft;
    bool strokeShaft = false; // shaft is a centre line stroked with shaftPen
    QPen shaftPen;
    QList<QPolygonF> heads; // filled with the head colour, over the shaft
    QList<HeadFrame> headFrames;
    double shaftHalfAtHeads = 0;

    bool isEmpty() const { return body.isEmpty() && !strokeShaft && heads.isEmpty(); }
};

ArrowPaint arrowPaint(const ArrowLayer& a) {
    ArrowPaint out;
    const double w = std::max(0.0, a.strokeWidth);
    const Qt::PenCapStyle cap = capStyle(a.lineStyle, a.lineCap);
    const bool startHead = !a.headTriangle(false).isEmpty();
    const bool endHead = !a.headTriangle(true).isEmpty();
    const double ls = a.startHeadLength();
    const double le = a.endHeadLength();
    const bool separateHeadColour = a.headColor && *a.headColor != a.color;
    if (startHead) {
        out.headFrames << HeadFrame{false, a.start, a.headDirection(false), ls};
    }
    if (endHead) {
        out.headFrames << HeadFrame{true, a.end, a.headDirection(true), le};
    }

    if (!a.isCurved()) {
        const QPointF delta = a.end - a.start;
        const double length = std::hypot(delta.x(), delta.y());
        if (length <= 1e-9) {
            return out; // a zero-length arrow draws nothing
        }
        const QPointF dir = delta / length;
        const QTransform frame = shaftFrame(a.start, dir);
        const double tailHalf = w * std::max(0.0, a.startSize) / 2;
        const double tipHalf = w * std::max(0.0, a.endSize) / 2;
        out.shaftHalfAtHeads = w / 2;
        if (a.lineStyle == ArrowLineStyle::solid) {
            ShaftEnd tail{0, cap, 0, 1e9};
            ShaftEnd tip{0, cap, 0, 1e9};
            if (startHead) {
                tail.maxHalfWidth = kMaxShaftShareOfHead * ls / 2;
                tail.cap = Qt::FlatCap;
            }
            if (endHead) {
                tip.maxHalfWidth = kMaxShaftShareOfHead * le / 2;
                tip.cap = Qt::FlatCap;
            }
            if (separateHeadColour) {
                // The shaft ends under the heads; the heads are filled over it in their colour.
                tail.inset = startHead ? (1 - kShaftOverlap) * kCos30 * ls : 0;
                tip.inset = endHead ? (1 - kShaftOverlap) * kCos30 * le : 0;
                if (startHead) {
                    out.heads << a.headTriangle(false);
                }
                if (endHead) {
                    out.heads << a.headTriangle(true);
                }
            } else {
                // One contour for shaft and heads: no seam, no doubled edge where they meet.
                tail.headLength = startHead ? ls : 0;
                tip.headLength = endHead ? le : 0;
            }
            out.body = frame.map(straightOutline(length, tailHalf, tipHalf, tail, tip));
            out.body.setFillRule(Qt::WindingFill);
            const double halfStart = startHead ? std::min(tailHalf, tail.maxHalfWidth) : tailHalf;
            const double halfEnd = endHead ? std::min(tipHalf, tip.maxHalfWidth) : tipHalf;
            out.shaftHalfAtHeads = std::max(halfStart, halfEnd);
            return out;
        }
        // Dashed and dotted shafts keep the stroke width and run into the heads' bases.
        const double x0 = startHead ? (1 - kShaftOverlap) * kCos30 * ls : 0;
        const double x1 = length - (endHead ? (1 - kShaftOverlap) * kCos30 * le : 0);
        if (x1 > x0) {
            out.shaft = QPainterPath(a.start + dir * x0);
            out.shaft.lineTo(a.start + dir * x1);
            out.strokeShaft = true;
            out.shaftPen = strokePen(a.color, w, a.lineStyle, a.lineCap);
        }
    } else {
        const QList<QPointF> c = curvePoints(a);
        bool degenerate = true;
        for (const QPointF& p : c) {
            degenerate = degenerate && p == c.front();
        }
        if (degenerate) {
            return out;
        }
        // The curve is cut where it enters each head so a wide stroke never pokes past a point.
        const double t0 = startHead ? curveParamAtDistance(c, false, (1 - kShaftOverlap) * kCos30 * ls) : 0.0;
        const double t1 = endHead ? curveParamAtDistance(c, true, (1 - kShaftOverlap) * kCos30 * le) : 1.0;
        if (t1 > t0) {
            out.shaft = curvePath(curvePiece(c, t0, t1));
            out.strokeShaft = true;
            out.shaftPen = strokePen(a.color, w, a.lineStyle, a.lineCap);
        }
        out.shaftHalfAtHeads = w / 2;
    }
    if (startHead) {
        out.heads << a.headTriangle(false);
    }
    if (endHead) {
        out.heads << a.headTriangle(true);
    }
    return out;
}

} // namespace

void ArrowLayer::draw(QPainter& painter, const QImage&) const {
    const ArrowPaint paint = arrowPaint(*this);
    if (paint.isEmpty()) {
        return;
    }
    const QColor headFill = headColor.value_or(color);
    QList<QPainterPath> outlines;
    if (headOutline) {
        const QPen pen = strokePen(headOutlineColor.value_or(Qt::white), outlineWidth(),
                                   headOutlineStyle.value_or(ArrowLineStyle::solid));
        const bool hasShaft = !paint.body.isEmpty() || paint.strokeShaft;
        for (const HeadFrame& frame : paint.headFrames) {
            outlines << headOutlineArea(headTriangle(frame.atEnd), frame,
                                        hasShaft ? paint.shaftHalfAtHeads : 0, pen);
        }
    }
    paintWithEffects(painter, shadow, opacity, bounds(), [&](QPainter& p) {
        if (!paint.body.isEmpty()) {
            p.fillPath(paint.body, color);
        }
        if (paint.strokeShaft) {
            strokeShape(p, paint.shaft, paint.shaftPen);
        }
        for (const QPolygonF& head : paint.heads) {
            p.fillPath(trianglePath(head), headFill);
        }
        const QColor outlineColour = headOutlineColor.value_or(Qt::white);
        for (const QPainterPath& outline : outlines) {
            p.fillPath(outline, outlineColour);
        }
    });
}

QRectF ArrowLayer::bounds() const {
    const ArrowPaint paint = arrowPaint(*this);
    QRectF box = QRectF(start, end).normalized();
    if (paint.isEmpty()) {
        const double half = std::max(0.0, strokeWidth) / 2;
        return box.adjusted(-half, -half, half, half);
    }
    if (!paint.body.isEmpty()) {
        box = box.united(paint.body.boundingRect());
    }
    if (paint.strokeShaft) {
        const double reach = StrokeGeometry::capReach(strokeWidth, paint.shaftPen.capStyle());
        box = box.united(paint.shaft.boundingRect().adjusted(-reach, -reach, reach, reach));
    }
    const double ring = headOutline ? outlineWidth() / 2 : 0.0;
    for (const HeadFrame& frame : paint.headFrames) {
        box = box.united(headTriangle(frame.atEnd).boundingRect().adjusted(-ring, -ring, ring, ring));
    }
    return box;
}

LayerPtr ArrowLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->start += QPointF(dx, dy);
    copy->end += QPointF(dx, dy);
    if (copy->controlPoint) {
        *copy->controlPoint += QPointF(dx, dy);
    }
    if (copy->controlPoint2) {
        *copy->controlPoint2 += QPointF(dx, dy);
    }
    return copy;
}

bool ArrowLayer::hitTest(const QPointF& point) const {
    const double tolerance = StrokeGeometry::strokeHitTolerance(strokeWidth);
    if (isCurved()) {
        // 32 chords from the start point along the curve.
        const QList<QPointF> c = curvePoints(*this);
        QPointF previous = start;
        for (int k = 1; k <= 32; ++k) {
            const QPointF next = curveAt(c, k / 32.0);
            if (StrokeGeometry::distanceToSegment(point, previous, next) < tolerance) {
                return true;
            }
            previous = next;
        }
    } else if (StrokeGeometry::distanceToSegment(point, start, end) < tolerance) {
        return true;
    }
    // Heads are hit within their length of their point, even on an arrow with no length.
    const double excess = headOutlineExcess();
    const auto near = [&](const QPointF& tip, double radius) {
        return std::hypot(point.x() - tip.x(), point.y() - tip.y()) < radius + excess;
    };
    return (hasEndHead() && near(end, endHeadLength())) || (hasStartHead() && near(start, startHeadLength()));
}

} // namespace mebo
