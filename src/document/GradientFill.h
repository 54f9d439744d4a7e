#pragma once

#include <QBrush>
#include <QColor>
#include <QRectF>

namespace mebo {

// A linear gradient through the centre of the filled box along (cos angle, sin angle), from the
// centre minus half the box diagonal to the centre plus half of it, padded beyond both ends.
struct GradientFill {
    QColor startColor;
    QColor endColor;
    double angle = 0; // radians

    QBrush brushFor(const QRectF& box) const;

    bool operator==(const GradientFill&) const = default;
};

} // namespace mebo
