#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QPainterPath>
#include <optional>

namespace mebo {

// A marker drawn in multiply mode so the text under it stays readable.
class HighlighterLayer final : public DrawingLayer {
public:
    HighlighterLayer() : DrawingLayer(ToolKind::highlighter) {}

    QRectF rect;
    QColor color = QColor(255, 230, 0);
    HighlighterShape shape = HighlighterShape::rect;
    std::optional<double> cornerRadius;
    std::optional<double> underlineThickness;

    // The filled area for the shape (the underline bar for underline).
    QPainterPath shapePath() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool composesOver() const override { return false; } // multiplies
    const char* className() const override { return "HighlighterLayer"; }
};

} // namespace mebo
