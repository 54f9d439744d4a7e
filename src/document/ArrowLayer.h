#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QPainterPath>
#include <optional>

namespace mebo {

// A straight or curved arrow from start (tail) to end (tip).
class ArrowLayer final : public DrawingLayer {
public:
    ArrowLayer() : DrawingLayer(ToolKind::arrow) {}

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

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "ArrowLayer"; }
};

} // namespace mebo
