#include "document/FillLayer.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace mebo {

void FillLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF FillLayer::bounds() const {
    return {};
}

LayerPtr FillLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);

    return copy;
}

void FillLayer::setAlpha(double value) {
    alpha = std::isfinite(value) ? std::clamp(value, 0.05, 1.0) : 1.0;
}

} // namespace mebo
