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

    QPainterPath shapePath() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    const char* className() const override { return "SpotlightLayer"; }
};

} // namespace mebo
