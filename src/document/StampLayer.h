#pragma once

#include "document/DrawingLayer.h"
#include <QColor>
#include <QString>
#include <optional>

namespace mebo {

// A symbol from the built-in palette, tinted, or a custom stamp image.
class StampLayer final : public DrawingLayer {
public:
    StampLayer() : DrawingLayer(ToolKind::stamp) {}

    QPointF center;
    QString symbolName;
    std::optional<QString> imagePath; // a custom stamp's image file
    QColor color = Qt::red;
    double size = 64;
    double rotation = 0; // radians
    bool flipH = false;
    bool flipV = false;

    // The unrotated size x size square around center.
    QRectF box() const;
    // A custom stamp draws the image at imagePath (an empty path counts as unset).
    bool isCustom() const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    const char* className() const override { return "StampLayer"; }
};

} // namespace mebo
