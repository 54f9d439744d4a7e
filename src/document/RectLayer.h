#pragma once

#include "document/DrawingLayer.h"
#include "document/GradientFill.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QPainterPath>
#include <optional>

namespace mebo {

// A rectangle, optionally rounded, filled and rotated about its centre.
class RectLayer final : public DrawingLayer {
public:
    RectLayer() : DrawingLayer(ToolKind::rect) {}

    QRectF rect;
    QColor color = Qt::red;
    double strokeWidth = 4;
    ArrowLineStyle lineStyle = ArrowLineStyle::solid;
    std::optional<QColor> fillColor;
    std::optional<GradientFill> gradient;
    double rotation = 0; // radians
    double cornerRadius = 0;

    // The unrotated outline: rect with its corner radius (limited to half the short side).
    QPainterPath outline() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "RectLayer"; }
};

} // namespace mebo
