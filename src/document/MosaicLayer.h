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

    // The clip outline: ellipse, polygon (default outline below 3 points) or rounded rectangle.
    QPainterPath shapePath() const;
    // The part of rect inside an image of this size, rounded outwards to whole pixels; empty when
    // the rectangle misses the image.
    QRect imagePart(const QSize& imageSize) const;
    // The pixels drawing reads (the part, plus the blur's context; nothing for a solid cover).
    QRect readPart(const QSize& imageSize) const;
    // The effect over `part` of `base`, unclipped, part-sized.
    QImage renderPart(const QImage& base, const QRect& part) const;
    // Context a gaussian blur of this radius reads around the part: ceil(3 x max(radius, 1)).
    static int blurMargin(double radius);
    // How many times smaller a blur of this radius is computed (1: at full size).
    static int blurScaleFactor(double radius);
    // `image` blurred with standard deviation `radius`; edges clamp.
    static QImage blurred(QImage image, double radius);

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "MosaicLayer"; }
};

} // namespace mebo
