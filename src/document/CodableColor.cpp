#include "document/CodableColor.h"

#include <QHashFunctions>

namespace mebo {

CodableColor CodableColor::fromColor(const QColor& color) {
    if (!color.isValid()) {
        return {0, 0, 0, 0};
    }
    if (color.spec() != QColor::ExtendedRgb) {
        // 16 bits per component, divided in double precision: 51/255 stays 0.2, where going
        // through extended RGB's half floats would give 0.19995.
        const QRgba64 c = color.toRgb().rgba64();
        return {c.red() / 65535.0, c.green() / 65535.0, c.blue() / 65535.0, c.alpha() / 65535.0};
    }
    // Extended RGB keeps components outside 0..1 as they are.
    float r = 0, g = 0, b = 0, a = 0;
    color.getRgbF(&r, &g, &b, &a);
    return {r, g, b, a};
}

QColor CodableColor::toColor() const {
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}

size_t qHash(const CodableColor& color, size_t seed) noexcept {
    return qHashMulti(seed, color.r, color.g, color.b, color.a);
}

} // namespace mebo
