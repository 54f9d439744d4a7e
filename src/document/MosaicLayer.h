#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QList>
#include <QPainterPath>
#include <optional>

namespace mebo {

// Pixelates, blurs or covers the base image inside its shape.
class MosaicLayer final : public DrawingLayer {
public:
    MosaicLayer() : DrawingLayer(ToolKind::mosaic) {}

    QRectF rect;
    MosaicStyle style = MosaicStyle::pixelate;
    double intensity = 14; // cell size (pixelate) or blur radius (gaussian)
    QColor solidColor = Qt::black;
    MosaicShape shape = MosaicShape::rect;
    std::optional<double> cornerRadius;
    QList<QPointF> polygonPoints;

    QPainterPath shapePath() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    const char* className() const override { return "MosaicLayer"; }
};

} // namespace mebo
