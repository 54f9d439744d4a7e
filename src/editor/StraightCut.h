#pragma once

#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QImage>
#include <QRectF>
#include <optional>

namespace mebo {

// The destructive straight cut: the strip [from, to) (rows of a horizontal cut, columns of a
// vertical one) leaves the image and the two parts are joined edge to edge.
class StraightCut {
public:
    // Nothing for a strip that removes nothing or everything, or for non-finite bounds.
    static std::optional<StraightCut> make(const QImage& image, CutOutOrientation orientation, double from,
                                           double to);

    // The joined image (null when it cannot be allocated).
    QImage apply(const QImage& image) const;
    // A layer whose bounds' centre lies past the strip moves with its part; the others stay.
    LayerPtr moved(const LayerPtr& layer) const;
    // A rectangle's edges mapped onto the joined image (an edge inside the strip lands on the seam),
    // limited to it; the whole joined image when nothing is left.
    QRectF mapped(const QRectF& rect, const QRect& joinedRect) const;

private:
    StraightCut(bool horizontal, int start, int end) : horizontal_(horizontal), start_(start), end_(end) {}
    double map(double v) const;

    bool horizontal_;
    int start_;
    int end_;
};

} // namespace mebo
