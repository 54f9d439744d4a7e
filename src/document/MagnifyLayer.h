#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QPainterPath>
#include <QSizeF>
#include <optional>

namespace mebo {

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
    QSizeF sourceOffset; // of the sampled area's centre from the lens centre
    std::optional<double> cornerRadius;

    QRectF lensRect() const;
    // The area of the base image the lens shows (before clipping to the image).
    QRectF sourceRect() const;
    QPainterPath lensPath() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    const char* className() const override { return "MagnifyLayer"; }
};

} // namespace mebo
