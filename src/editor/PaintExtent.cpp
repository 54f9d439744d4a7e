#include "editor/PaintExtent.h"

#include "document/FillLayer.h"
#include "document/SpotlightLayer.h"

#include <cmath>

namespace mebo {

QRect layerPaintExtent(const DrawingLayer& layer, const QRect& imageRect) {
    constexpr int kEffectMargin = 32; // shadow offset and blur
    const QRectF b = layer.bounds();
    if (dynamic_cast<const FillLayer*>(&layer) || dynamic_cast<const SpotlightLayer*>(&layer) ||
        !std::isfinite(b.x()) || !std::isfinite(b.y()) || !std::isfinite(b.width()) ||
        !std::isfinite(b.height())) {
        return imageRect;
    }
    return b.normalized().toAlignedRect().adjusted(-kEffectMargin, -kEffectMargin, kEffectMargin,
                                                   kEffectMargin);
}

} // namespace mebo
