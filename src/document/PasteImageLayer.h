#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

// A pasted image drawn into rect.
class PasteImageLayer final : public DrawingLayer {
public:
    PasteImageLayer() : DrawingLayer(ToolKind::selection) {}

    QImage image;
    QRectF rect;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    const char* className() const override { return "PasteImageLayer"; }
};

} // namespace mebo
