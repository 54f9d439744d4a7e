#pragma once

#include "document/DrawingLayer.h"
#include "document/GradientFill.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <optional>

namespace mebo {

// An ellipse inscribed in rect, rotated about its centre.
class EllipseLayer final : public DrawingLayer {
public:
    EllipseLayer() : DrawingLayer(ToolKind::ellipse) {}

    QRectF rect;
    QColor color = Qt::red;
    double strokeWidth = 4;
    ArrowLineStyle lineStyle = ArrowLineStyle::solid;
    std::optional<QColor> fillColor;
    std::optional<GradientFill> gradient;
    double rotation = 0; // radians

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "EllipseLayer"; }
};

} // namespace mebo
