#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QPainterPath>
#include <QSizeF>
#include <optional>

namespace mebo {

// The base-image pixels a lens shows: the whole pixels under its source area, and the image
// rectangle they were read from.
struct MagnifySource {
    QImage pixels;
    QRect pixelRect;
    QRect imageRect;
};

// A lens showing an enlarged part of the base image.
class MagnifyLayer final : public DrawingLayer {
public:
    MagnifyLayer() : DrawingLayer(ToolKind::magnify) {}

    QPointF center;
    QSizeF size = QSizeF(160, 160);
    double zoomLevel = 2;
    MagnifyShape shape = MagnifyShape::circle;
    QColor borderColor = Qt::white;
    double borderWidth = 3;
    ArrowLineStyle borderStyle = ArrowLineStyle::solid;
    QSizeF sourceOffset =
        QSizeF(0, 0); // of the sampled area's centre from the lens centre; QSizeF() would be -1 x -1
    std::optional<double> cornerRadius;

    // Zoom is limited to this range; zero, negative or NaN zoom means 1.
    static constexpr double kMinZoom = 0.1;
    static constexpr double kMaxZoom = 64;

    // zoomLevel limited to kMinZoom through kMaxZoom; 1 when not a positive number.
    double effectiveZoom() const;
    // borderWidth, 0 when negative or not a number.
    double effectiveBorderWidth() const;
    // size x size around center.
    QRectF lensRect() const;
    // The area of the base image the lens shows (before clipping to the image): size / zoom
    // around center + sourceOffset.
    QRectF sourceRect() const;
    QPainterPath lensPath() const;

    // Reads the source pixels from `base`; the editor keeps them between redraws.
    MagnifySource sourceFrom(const QImage& base) const;
    void drawWithSource(QPainter& painter, const MagnifySource& source) const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "MagnifyLayer"; }
};

} // namespace mebo
