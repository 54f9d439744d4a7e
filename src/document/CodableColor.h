#pragma once

#include <QColor>
#include <cstddef>

namespace mebo {

// A colour as stored in payloads: sRGB components, nominally 0 to 1, never clamped or rounded.
struct CodableColor {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;

    // Colours of other models (HSV, CMYK...) are converted to sRGB first.
    static CodableColor fromColor(const QColor& color);
    QColor toColor() const;

    bool operator==(const CodableColor&) const = default;
};

size_t qHash(const CodableColor& color, size_t seed = 0) noexcept;

} // namespace mebo
