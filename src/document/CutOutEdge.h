#pragma once

#include "document/LayerEnums.h"

#include <QPainterPath>
#include <QRectF>

namespace mebo {

// The generated outline of a cut-out strip: two long sides displaced by a deterministic torn,
// zigzag or wave pattern, so the same strip always gets the same edge.
class CutOutEdge {
public:
    // Pattern parameters for one strip. Length runs along the strip, thickness across it.
    struct Params {
        double length = 0;
        double thickness = 0;
        double amplitude = 0;
        double period = 0;
        double cycles = 0;
        int samples = 0; // segments along each long side
    };

    static Params params(const QRectF& rect, CutOutOrientation orientation, CutOutEdgeStyle style,
                         double density, double depth);
    // Displacement of a long side at t in [0, 1]; `side` 0 is the first long side (top or left),
    // 1 the second.
    static double offset(const Params& params, CutOutEdgeStyle style, const QRectF& rect, int side, double t);
    // The closed outline enclosing the removed strip.
    static QPainterPath path(const QRectF& rect, CutOutOrientation orientation, CutOutEdgeStyle style,
                             double density, double depth);
    // The smoothed value noise the torn edge is made of.
    static double noise(double k, double x);
};

} // namespace mebo
