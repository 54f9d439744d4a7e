#include "document/PayloadRules.h"

#include "document/DrawingLayer.h"

#include <algorithm>

namespace mebo {

void PayloadRules::applyBase(DrawingLayer& layer, const LayerBaseAttrs& base) {
    layer.shadow = shadowStyleForLoad(base.shadow);
    layer.opacity = base.opacity;
}

void PayloadRules::applyOptionalBase(DrawingLayer& layer, const std::optional<LayerBaseAttrs>& base) {
    if (base) {
        applyBase(layer, *base);
    } else {
        applyDefaultBase(layer);
    }
}

void PayloadRules::applyDefaultBase(DrawingLayer& layer) {
    layer.shadow = ShadowStyle::soft;
    layer.opacity = 1;
}

double PayloadRules::nonNegative(const std::optional<double>& value, double fallback) {
    return value ? std::max(*value, 0.0) : fallback;
}

} // namespace mebo
