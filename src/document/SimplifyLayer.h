#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QPainterPath>
#include <optional>

namespace mebo {

// Covers an interface object with a plain shape.
class SimplifyLayer final : public DrawingLayer {
public:
    SimplifyLayer() : DrawingLayer(ToolKind::simplify) {}

    QRectF rect;
    QColor fillColor = Qt::white;
    MosaicShape shape = MosaicShape::rect;
    QColor borderColor = Qt::white;
    double borderWidth = 0;
    std::optional<double> cornerRadius;
    ArrowLineStyle borderStyle = ArrowLineStyle::solid;

    // rect as rectangle, rounded rectangle, ellipse or the default polygon.
    QPainterPath shapePath() const;
    // borderWidth, 0 when negative or not a number.
    double effectiveBorderWidth() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "SimplifyLayer"; }
};

} // namespace mebo
