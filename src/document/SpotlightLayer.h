#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QPainterPath>
#include <optional>

namespace mebo {

// Dims everything outside its shape.
class SpotlightLayer final : public DrawingLayer {
public:
    SpotlightLayer() : DrawingLayer(ToolKind::spotlight) {}

    QRectF rect;
    double dimAlpha = 0.55;
    MosaicShape shape = MosaicShape::rect;
    QColor borderColor = Qt::white;
    double borderWidth = 0;
    std::optional<double> cornerRadius;
    ArrowLineStyle borderStyle = ArrowLineStyle::solid;
    std::optional<QColor> dimColor; // unset: black

    // The lit area: rect as rectangle, rounded rectangle, ellipse or the default polygon.
    QPainterPath shapePath() const;
    // dimColor (black when unset) with dimAlpha, limited to 0 through 1, as its alpha.
    QColor effectiveDimColor() const;
    // borderWidth, 0 when negative or not a number.
    double effectiveBorderWidth() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "SpotlightLayer"; }
};

} // namespace mebo
