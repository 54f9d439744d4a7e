#include "document/CalloutLayer.h"

#include "document/CalloutShapes.h"
#include "document/LayerEffects.h"
#include "document/ShapePaths.h"
#include "document/StrokeGeometry.h"
#include "document/StrokeStyle.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

double shortSide(const QRectF& r) {
    return std::min(std::abs(r.width()), std::abs(r.height()));
}

// Unit normal of an edge pointing into the body.
QPointF inwardNormal(CalloutTailAnchor edge) {
    switch (edge) {
    case CalloutTailAnchor::top:
        return {0, 1};
    case CalloutTailAnchor::bottom:
        return {0, -1};
    case CalloutTailAnchor::left:
        return {1, 0};
    case CalloutTailAnchor::right:
        return {-1, 0};
    case CalloutTailAnchor::auto_:
        break;
    }
    return {0, 0};
}

QPointF unit(const QPointF& v) {
    const double l = std::hypot(v.x(), v.y());
    return l > 0 ? v / l : QPointF();
}

// The edge a tip faces: the one whose side of the box's diagonals the tip lies on.
CalloutTailAnchor facingEdge(const QRectF& box, const QPointF& tip) {
    const QPointF d = tip - box.center();
    const double nx = d.x() / std::max(box.width() / 2, 1e-9);
    const double ny = d.y() / std::max(box.height() / 2, 1e-9);
    if (std::abs(nx) > std::abs(ny)) {
        return nx > 0 ? CalloutTailAnchor::right : CalloutTailAnchor::left;
    }
    return ny > 0 ? CalloutTailAnchor::bottom : CalloutTailAnchor::top;
}

// How far a wedge reaches into the body behind its base.
constexpr double kWedgeOverlap = 3;

} // namespace

double CalloutLayer::effectiveCornerRadius() const {
    const QRectF r = rect.normalized();
    if (cornerRadius) {
        return ShapePaths::clampedRadius(r, *cornerRadius);
    }
    switch (shape) {
    case CalloutShape::speechBubble:
        return std::clamp(0.22 * shortSide(r), 18.0, 48.0);
    case CalloutShape::rectangle:
    case CalloutShape::arrowRight:
        return 0;
    case CalloutShape::roundedRect:
        return 24;
    case CalloutShape::cloud:
        return 18;
    }
    return 0;
}

double CalloutLayer::effectiveTailSize() const {
    const double side = shortSide(rect);
    if (tailSize && std::isfinite(*tailSize)) {
        return std::max(6.0, std::min(*tailSize, side / 2));
    }
    return std::min(18.0, std::max(8.0, 0.1 * side));
}

double CalloutLayer::tailHalfWidth() const {
    const double fromRadius = std::max(0.35 * effectiveCornerRadius(), 0.75 * effectiveTailSize());
    return std::max(0.0, std::min(fromRadius, 0.22 * shortSide(rect)));
}

QTransform CalloutLayer::bodyTransform() const {
    QTransform t;
    if (rotation == 0 || !std::isfinite(rotation)) {
        return t;
    }
    const QPointF c = rect.normalized().center();
    t.translate(c.x(), c.y());
    t.rotateRadians(rotation);
    t.translate(-c.x(), -c.y());
    return t;
}

QPainterPath CalloutLayer::localBodyPath() const {
    return CalloutShapes::body(shape, rect.normalized(), effectiveCornerRadius());
}

QPainterPath CalloutLayer::bodyPath() const {
    return bodyTransform().map(localBodyPath());
}

QRectF CalloutLayer::rectFittingText() const {
    QRectF r = rect.normalized();
    if (text.isEmpty() || !r.isValid()) {
        return r;
    }
    const bool tailBelow =
        std::any_of(tails.begin(), tails.end(), [&](const QPointF& t) { return t.y() > r.bottom(); });
    CalloutLayer probe(*this);
    // Shapes whose text area is a part of the body (ellipses) need a few rounds.
    for (int round = 0; round < 8; ++round) {
        probe.rect = r;
        const QRectF area = probe.textRect();
        const AnnotationTextLayout layout(text, textStyle(), area.width());
        const double missing = layout.size().height() - area.height();
        if (missing <= 0.5) {
            break;
        }
        const double grow = missing * r.height() / std::max(1.0, area.height());
        if (tailBelow) {
            r.setTop(r.top() - grow);
        } else {
            r.setBottom(r.bottom() + grow);
        }
    }
    return r;
}

QRectF CalloutLayer::textRect() const {
    const double inset = std::isfinite(padding) ? padding : 8;
    const QRectF area = CalloutShapes::textArea(shape, rect.normalized(), effectiveCornerRadius());
    QRectF inner = area.adjusted(inset, inset, -inset, -inset);
    // A padding larger than the body leaves a zero-size area in the middle, not a negative one.
    if (inner.width() < 0) {
        inner.setLeft(area.center().x());
        inner.setWidth(0);
    }
    if (inner.height() < 0) {
        inner.setTop(area.center().y());
        inner.setHeight(0);
    }
    return inner;
}

AnnotationTextLayout::Style CalloutLayer::textStyle() const {
    return AnnotationTextLayout::styleOf(*this);
}

std::optional<CalloutLayer::Tail> CalloutLayer::tailGeometry(const QPointF& tip) const {
    const QRectF box = rect.normalized();
    if (box.width() <= 0 || box.height() <= 0 || !std::isfinite(tip.x()) || !std::isfinite(tip.y())) {
        return std::nullopt;
    }
    const QPointF local = ShapePaths::unrotate(tip, box.center(), rotation);
    if (StrokeGeometry::hitsShape(localBodyPath(), local, 0.5)) {
        return std::nullopt;
    }
    const double radius = effectiveCornerRadius();
    const QRectF frame = CalloutShapes::tailFrame(shape, box, radius);

    Tail tail;
    tail.tip = local;
    tail.edge = tailAnchor && *tailAnchor != CalloutTailAnchor::auto_ ? *tailAnchor : facingEdge(box, local);
    tail.halfWidth = tailHalfWidth();

    const bool horizontal = tail.edge == CalloutTailAnchor::top || tail.edge == CalloutTailAnchor::bottom;
    const double start = horizontal ? frame.left() : frame.top();
    const double end = horizontal ? frame.right() : frame.bottom();
    const double along = horizontal ? local.x() : local.y();
    const double length = end - start;
    const double hw = tail.halfWidth;
    double margin = radius;
    if (length < 2 * (hw + margin)) {
        margin = std::min(radius, 4.0);
    }
    double centre = (start + end) / 2;
    if (length >= 2 * (hw + margin)) {
        centre = std::clamp(along, start + hw + margin, end - hw - margin);
    }

    switch (tail.edge) {
    case CalloutTailAnchor::top:
        tail.baseCenter = QPointF(centre, frame.top());
        break;
    case CalloutTailAnchor::bottom:
        tail.baseCenter = QPointF(centre, frame.bottom());
        break;
    case CalloutTailAnchor::left:
        tail.baseCenter = QPointF(frame.left(), centre);
        break;
    case CalloutTailAnchor::right:
    case CalloutTailAnchor::auto_:
        tail.baseCenter = QPointF(frame.right(), centre);
        break;
    }
    const QPointF alongEdge = horizontal ? QPointF(hw, 0) : QPointF(0, hw);
    tail.base1 = tail.baseCenter - alongEdge;
    tail.base2 = tail.baseCenter + alongEdge;
    return tail;
}

QPainterPath CalloutLayer::tailWedge(const Tail& tail) const {
    // The sides run on from the base into the body, so the wedge keeps its width where it meets the
    // outline and the two merge without a seam.
    const QPointF in = inwardNormal(tail.edge);
    const double depth = kWedgeOverlap + outlinePenWidth();
    const double height = QPointF::dotProduct(tail.baseCenter - tail.tip, in);
    const auto extend = [&](const QPointF& base) {
        if (height > 1) {
            return base + (base - tail.tip) * (depth / height);
        }
        return base + in * depth;
    };
    QPainterPath wedge;
    wedge.moveTo(extend(tail.base1));
    wedge.lineTo(tail.tip);
    wedge.lineTo(extend(tail.base2));
    wedge.closeSubpath();
    return wedge;
}

QList<CalloutLayer::Tail> CalloutLayer::visibleTails() const {
    QList<Tail> out;
    if (tailStyle == CalloutTailStyle::none) {
        return out;
    }
    for (const QPointF& tip : tails) {
        if (auto tail = tailGeometry(tip)) {
            out << *tail;
        }
    }
    return out;
}

double CalloutLayer::outlinePenWidth() const {
    if (!outlineColor || outlineColor->alpha() == 0 || !std::isfinite(outlineWidth) || outlineWidth <= 0) {
        return 0;
    }
    return outlineWidth;
}

double CalloutLayer::arrowTailWidth() const {
    return std::max(2.5, 0.2 * effectiveTailSize());
}

CalloutLayer::ArrowTail CalloutLayer::arrowTail(const Tail& tail) const {
    ArrowTail arrow;
    arrow.width = arrowTailWidth();
    const QPointF in = inwardNormal(tail.edge);
    const QPointF direction = unit(tail.tip - tail.baseCenter);
    // The shaft starts inside the body on the line through the base centre, so it leaves the body
    // exactly there; a tail running almost along its edge starts straight behind the base instead.
    const double depth = kWedgeOverlap + arrow.width;
    const double outwards = -QPointF::dotProduct(direction, in);
    arrow.start =
        outwards > 0.35 ? tail.baseCenter - direction * (depth / outwards) : tail.baseCenter + in * depth;
    const double outside = std::hypot(tail.tip.x() - tail.baseCenter.x(), tail.tip.y() - tail.baseCenter.y());
    // A head with a 60 degree point, as on arrows; shorter when the tail is short.
    const double headLength =
        std::min(std::max(1.4 * effectiveTailSize(), 4 * arrow.width), std::max(0.8 * outside, 1.0));
    const QPointF headBase = tail.tip - direction * (0.866 * headLength);
    const QPointF across(-direction.y() * headLength / 2, direction.x() * headLength / 2);
    arrow.head = QPolygonF({tail.tip, headBase + across, headBase - across});
    // The shaft stops inside the head, so a round cap cannot show past its point.
    arrow.shaftEnd = headBase + direction * std::min(0.3 * headLength, arrow.width);
    return arrow;
}

QRectF CalloutLayer::localTextBox(const AnnotationTextLayout& layout) const {
    const QRectF area = textRect();
    const QSizeF size = layout.size();
    return QRectF(area.left(), area.top() + (area.height() - size.height()) / 2, size.width(), size.height());
}

// Everything the layer covers in its own frame: body, wedges or arrows, and the stroke around them.
QPainterPath CalloutLayer::localSilhouette(const QList<Tail>& visible) const {
    QPainterPath all = localBodyPath();
    for (const Tail& tail : visible) {
        if (tailStyle == CalloutTailStyle::triangle) {
            all.addPath(tailWedge(tail));
        } else {
            const ArrowTail arrow = arrowTail(tail);
            QPainterPath shaft;
            shaft.moveTo(arrow.start);
            shaft.lineTo(arrow.shaftEnd);
            QPainterPathStroker stroker;
            stroker.setWidth(arrow.width);
            stroker.setCapStyle(Qt::SquareCap);
            all.addPath(stroker.createStroke(shaft));
            all.addPolygon(arrow.head);
        }
    }
    return all;
}

QRectF CalloutLayer::bounds() const {
    const QRectF box = rect.normalized();
    if (box.isEmpty()) {
        return box;
    }
    QPainterPath local = localSilhouette(visibleTails());
    const AnnotationTextLayout layout(text, textStyle(), textRect().width());
    const QRectF ink = layout.inkBounds();
    if (!ink.isEmpty()) {
        local.addRect(ink.translated(localTextBox(layout).topLeft()));
    }
    // The turned outline, not the turned box of the outline, which would be larger.
    const double half = outlinePenWidth() / 2;
    return bodyTransform().map(local).boundingRect().adjusted(-half, -half, half, half);
}

void CalloutLayer::draw(QPainter& painter, const QImage&) const {
    const QRectF box = rect.normalized();
    if (box.width() <= 0 || box.height() <= 0) {
        return;
    }
    const QList<Tail> visible = visibleTails();
    const QPainterPath body = localBodyPath();
    const AnnotationTextLayout layout(text, textStyle(), textRect().width());
    const QRectF textBox = localTextBox(layout);
    const QBrush bodyBrush = gradient ? gradient->brushFor(box) : QBrush(color);
    const double penWidth = outlinePenWidth();
    QPen outlinePen = penWidth > 0 ? strokePen(*outlineColor, penWidth, outlineStyle) : QPen(Qt::NoPen);
    outlinePen.setJoinStyle(Qt::RoundJoin);

    paintWithEffects(painter, shadow, opacity, bounds().adjusted(-2, -2, 2, 2), [&](QPainter& p) {
        p.setTransform(bodyTransform(), true);

        if (tailStyle == CalloutTailStyle::arrow) {
            // Arrows go under the body, which hides where they start.
            QColor arrowColor = color;
            if (tailColor) {
                arrowColor = *tailColor;
            } else if (penWidth > 0) {
                arrowColor = *outlineColor;
            }
            const ArrowLineStyle lineStyle = tailLineStyle.value_or(ArrowLineStyle::solid);
            for (const Tail& tail : visible) {
                const ArrowTail arrow = arrowTail(tail);
                p.setPen(strokePen(arrowColor, arrow.width, lineStyle, tailLineCap));
                p.setBrush(Qt::NoBrush);
                p.drawLine(arrow.start, arrow.shaftEnd);
                p.setPen(Qt::NoPen);
                p.setBrush(arrowColor);
                p.drawPolygon(arrow.head);
            }
        }

        QList<QPainterPath> wedges;
        QPainterPath shapePath = body;
        if (tailStyle == CalloutTailStyle::triangle) {
            for (const Tail& tail : visible) {
                wedges << tailWedge(tail);
                shapePath = shapePath.united(wedges.last());
            }
        }

        p.setPen(Qt::NoPen);
        if (tailColor && !wedges.isEmpty()) {
            p.setBrush(*tailColor);
            for (const QPainterPath& wedge : std::as_const(wedges)) {
                p.drawPath(wedge);
            }
            p.setBrush(bodyBrush);
            p.drawPath(body);
        } else {
            p.setBrush(bodyBrush);
            p.drawPath(shapePath);
        }

        if (penWidth > 0) {
            p.setBrush(Qt::NoBrush);
            // A tail line style of its own splits the outline: the body keeps its style, the
            // wedge sides take the tail's.
            const bool ownTailStroke = !wedges.isEmpty() && tailLineStyle && *tailLineStyle != outlineStyle;
            if (!ownTailStroke) {
                // Body and wedges are one shape with one outline.
                p.setPen(outlinePen);
                p.drawPath(shapePath);
            } else {
                const QRectF everything =
                    shapePath.boundingRect().adjusted(-penWidth, -penWidth, penWidth, penWidth);
                QPainterPath outsideWedges;
                outsideWedges.addRect(everything);
                QPainterPath allWedges;
                for (const QPainterPath& wedge : std::as_const(wedges)) {
                    allWedges = allWedges.united(wedge);
                }
                outsideWedges = outsideWedges.subtracted(allWedges);
                QPainterPath outsideBody;
                outsideBody.addRect(everything);
                outsideBody = outsideBody.subtracted(body);

                p.save();
                p.setClipPath(outsideWedges, Qt::IntersectClip);
                p.setPen(outlinePen);
                p.drawPath(body);
                p.restore();

                p.save();
                p.setClipPath(outsideBody, Qt::IntersectClip);
                QPen tailPen = strokePen(*outlineColor, penWidth, *tailLineStyle, tailLineCap);
                tailPen.setJoinStyle(Qt::RoundJoin);
                p.setPen(tailPen);
                for (const QPainterPath& wedge : std::as_const(wedges)) {
                    // The two sides only: the base lies inside the body.
                    QPainterPath sides;
                    sides.moveTo(wedge.elementAt(0));
                    sides.lineTo(wedge.elementAt(1));
                    sides.lineTo(wedge.elementAt(2));
                    p.drawPath(sides);
                }
                p.restore();
            }
        }

        layout.fill(p, textColor, textBox.topLeft());
    });
}

LayerPtr CalloutLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    for (QPointF& p : copy->tails) {
        p += QPointF(dx, dy);
    }
    return copy;
}

// The body (filled or not) and its outline with a margin of at least 4, plus every drawn tail.
bool CalloutLayer::hitTest(const QPointF& point) const {
    const QRectF box = rect.normalized();
    const QPointF local = ShapePaths::unrotate(point, box.center(), rotation);
    const double margin = std::max(outlinePenWidth() / 2, 4.0);
    if (box.width() > 0 && box.height() > 0 && StrokeGeometry::hitsShape(localBodyPath(), local, margin)) {
        return true;
    }
    for (const Tail& tail : visibleTails()) {
        if (tailStyle == CalloutTailStyle::triangle) {
            if (StrokeGeometry::hitsShape(tailWedge(tail), local, margin)) {
                return true;
            }
        } else {
            const ArrowTail arrow = arrowTail(tail);
            if (StrokeGeometry::distanceToSegment(local, arrow.start, arrow.shaftEnd) <=
                std::max(arrow.width, 6.0)) {
                return true;
            }
            QPainterPath head;
            head.addPolygon(arrow.head);
            head.closeSubpath();
            if (StrokeGeometry::hitsShape(head, local, 4)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace mebo
