#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <optional>

namespace mebo {

class LineLayer final : public DrawingLayer {
public:
    LineLayer() : DrawingLayer(ToolKind::line) {}

    QPointF start;
    QPointF end;
    QColor color = Qt::red;
    double strokeWidth = 4;
    ArrowLineStyle lineStyle = ArrowLineStyle::solid;
    std::optional<LineCap> lineCap;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "LineLayer"; }
};

} // namespace mebo
