#pragma once

#include "document/DrawingLayer.h"
#include <QColor>
#include <QImage>

namespace mebo {

// A flood-filled area: a greyscale mask over maskRect, painted or erased.
class RegionFillLayer final : public DrawingLayer {
public:
    RegionFillLayer() : DrawingLayer(ToolKind::fill) {}

    QColor color = Qt::red;
    double alpha = 1;
    QRectF maskRect;
    QImage mask; // 8-bit greyscale, 255 inside
    QPointF seedPoint;
    double tolerance = 0; // 0 to 100
    bool transparent = false;
    bool globalMode = false;

    // `paint` through the mask: mask-sized, premultiplied, transparent where the mask is 0.
    QImage coverage(const QColor& paint) const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    bool composesOver() const override { return !transparent; }
    const char* className() const override { return "RegionFillLayer"; }
};

} // namespace mebo
