#pragma once

#include "document/DrawingLayer.h"
#include "document/GradientFill.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QPolygonF>
#include <optional>

namespace mebo {

// A regular polygon, or a star when innerRatio is below 1, in the square around rect's centre.
class PolygonLayer final : public DrawingLayer {
public:
    PolygonLayer() : DrawingLayer(ToolKind::polygon) {}

    QRectF rect;
    int sides = 5; // 3 to 12
    QColor color = Qt::red;
    double strokeWidth = 4;
    ArrowLineStyle lineStyle = ArrowLineStyle::solid;
    std::optional<QColor> fillColor;
    std::optional<GradientFill> gradient;
    double rotation = 0;     // radians
    double innerRatio = 1.0; // 0.1 to 1

    // The vertices, rotated, first vertex straight above the centre before rotation.
    QPolygonF vertices() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "PolygonLayer"; }
};

} // namespace mebo
