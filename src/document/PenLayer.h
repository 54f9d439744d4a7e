#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QList>
#include <QPainterPath>
#include <optional>

namespace mebo {

// A freehand stroke.
class PenLayer final : public DrawingLayer {
public:
    PenLayer() : DrawingLayer(ToolKind::pen) {}

    QList<QPointF> points;
    QColor color = Qt::red;
    double strokeWidth = 4;
    bool smoothCurves = true;
    ArrowLineStyle lineStyle = ArrowLineStyle::solid;
    std::optional<LineCap> lineCap;
    std::optional<LineJoin> lineJoin;

    // Empty below two points.
    QPainterPath path() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "PenLayer"; }
};

} // namespace mebo
