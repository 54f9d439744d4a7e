#pragma once

#include "document/DrawingLayer.h"
#include <QList>
#include <QPainterPath>

namespace mebo {

// A stroke that erases the base image along its path. It is applied to the base image before
// the other layers are drawn (applyToBase); its own draw paints nothing.
class EraserStrokeLayer final : public DrawingLayer {
public:
    EraserStrokeLayer() : DrawingLayer(ToolKind::eraser) {}

    QList<QPointF> points;
    double width = 20;

    QPainterPath path() const;
    // Clears the stroke's path in `image` (to transparency).
    void applyToBase(QPainter& painter) const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "EraserStrokeLayer"; }
};

} // namespace mebo
