#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QPainterPath>

namespace mebo {

// A strip punched out of everything below, between two generated edges.
class CutOutLayer final : public DrawingLayer {
public:
    // The hit tolerance of the canvas at 100 % zoom.
    static constexpr double kDefaultHitTolerance = 8;

    // Standardises rect and builds the edge path.
    CutOutLayer(const QRectF& rect, CutOutOrientation orientation, CutOutEdgeStyle edgeStyle, double density,
                double depth);

    const QRectF& rect() const { return rect_; }
    CutOutOrientation orientation() const { return orientation_; }
    CutOutEdgeStyle edgeStyle() const { return edgeStyle_; }
    double density() const { return density_; }
    double depth() const { return depth_; }
    // Derived from the fields above; rebuilt whenever they are.
    const QPainterPath& maskPath() const { return maskPath_; }

    // The outline band of half-width max(1.5, min(tolerance, a quarter of the short side)).
    bool hitTest(const QPointF& point, double tolerance) const;

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    bool hitTest(const QPointF& point) const override;
    bool composesOver() const override { return false; } // erases
    const char* className() const override { return "CutOutLayer"; }

private:
    QRectF rect_;
    CutOutOrientation orientation_;
    CutOutEdgeStyle edgeStyle_;
    double density_;
    double depth_;
    QPainterPath maskPath_;
};

} // namespace mebo
