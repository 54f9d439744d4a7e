#include "document/CodableColor.h"

#include <QHashFunctions>

namespace mebo {

CodableColor CodableColor::fromColor(const QColor& color) {
    if (!color.isValid()) {
        return {0, 0, 0, 0};
    }
    // Extended RGB keeps components outside 0..1 as they are.
    const QColor rgb = color.toExtendedRgb();
    float r = 0, g = 0, b = 0, a = 0;
    rgb.getRgbF(&r, &g, &b, &a);
    return {r, g, b, a};
}

QColor CodableColor::toColor() const {
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

size_t qHash(const CodableColor& color, size_t seed) noexcept {
    return qHashMulti(seed, color.r, color.g, color.b, color.a);
}

} // namespace mebo
