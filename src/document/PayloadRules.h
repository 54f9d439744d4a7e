#pragma once

#include "document/LayerBaseAttrs.h"

#include <optional>

namespace mebo {

class DrawingLayer;

// Load rules shared by several payloads.
class PayloadRules {
public:
    // "none" and "hard" as named, every other shadow string soft; the opacity as stored.
    static void applyBase(DrawingLayer& layer, const LayerBaseAttrs& base);
    // As applyBase; an absent base gives shadow soft and opacity 1.
    static void applyOptionalBase(DrawingLayer& layer, const std::optional<LayerBaseAttrs>& base);
    // For kinds whose payload has no base: shadow soft, opacity 1.
    static void applyDefaultBase(DrawingLayer& layer);
    // Missing gives `fallback`; negative values become 0.
    static double nonNegative(const std::optional<double>& value, double fallback);
};

} // namespace mebo
