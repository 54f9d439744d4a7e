#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QPainterPath>
#include <QPolygonF>
#include <optional>

namespace mebo {

// A straight or curved arrow from start (tail) to end (tip).
class ArrowLayer final : public DrawingLayer {
public:
    // New arrows cast the soft shadow, which keeps them readable on busy screenshots.
    ArrowLayer() : DrawingLayer(ToolKind::arrow) { shadow = ShadowStyle::soft; }

    QPointF start;
    QPointF end;
    QColor color = Qt::red;
    double strokeWidth = 4;
    ArrowHeadStyle headStyle = ArrowHeadStyle::end;
    ArrowLineStyle lineStyle = ArrowLineStyle::solid;
    double headSize = 1;  // head length multiplier
    double startSize = 1; // width factor at the tail
    double endSize = 1;   // width factor at the tip
    bool headOutline = false;
    std::optional<double> headOutlineWidth;
    std::optional<QColor> headColor;
    std::optional<QColor> headOutlineColor;
    std::optional<ArrowLineStyle> headOutlineStyle;
    std::optional<LineCap> lineCap;
    std::optional<QPointF> controlPoint;
    std::optional<QPointF> controlPoint2;

    bool isCurved() const { return controlPoint.has_value(); }
    bool hasStartHead() const {
        return headStyle == ArrowHeadStyle::start || headStyle == ArrowHeadStyle::both;
    }
    bool hasEndHead() const { return headStyle == ArrowHeadStyle::end || headStyle == ArrowHeadStyle::both; }
    // Head lengths: max(headSize x endSize, 3.5 w) at the tip, max(headSize x startSize, 3.5 w) at
    // the tail.
    double endHeadLength() const;
    double startHeadLength() const;
    // The head outline's width clamped to 0.5 through 40 (2 or half the shaft when unset).
    double outlineWidth() const;
    // How far an outline wider than the shaft enlarges the heads' clickable radius.
    double headOutlineExcess() const;
    // The centre line: the segment, or the quadratic or cubic curve through the control points.
    QPainterPath centerLine() const;
    // Unit direction a head points in (towards its point): along the shaft, or along the curve's
    // tangent at that end. Zero when the arrow has no length.
    QPointF headDirection(bool atEnd) const;
    // The filled triangle of a head (point, then the two base corners); empty when that head is not
    // drawn.
    QPolygonF headTriangle(bool atEnd) const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "ArrowLayer"; }
};

} // namespace mebo
