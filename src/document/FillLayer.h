#pragma once

#include "document/DrawingLayer.h"
#include "document/GradientFill.h"

#include <QColor>
#include <optional>

namespace mebo {

// Covers the whole image with a colour or gradient.
class FillLayer final : public DrawingLayer {
public:
    FillLayer() : DrawingLayer(ToolKind::fill) {}

    QColor color = Qt::white;
    double alpha = 0.25; // kept within 0.05 to 1 by setAlpha
    std::optional<GradientFill> gradient;

    void setAlpha(double value);
    // alpha within 0.05 to 1 (1 when not a number), also for a value set directly.
    double effectiveAlpha() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    // Ignores the offset: the fill covers the whole image wherever it is moved.
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "FillLayer"; }
};

} // namespace mebo
