#pragma once

#include "document/GradientFillPayload.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/LayerEnums.h"
#include "document/PayloadRules.h"

namespace mebo {

// The keys rectangle, ellipse and polygon payloads share: "rect", "color", "strokeWidth",
// "lineStyle", "fillColor", "base", "rotation" and "gradient". `L` is one of those layers.
namespace FilledShapePayload {

template <typename L> void write(const L& layer, JsonWriter& out) {
    out.rect("rect", layer.rect);
    out.color("color", layer.color);
    out.number("strokeWidth", layer.strokeWidth);
    out.enumeration("lineStyle", layer.lineStyle);
    out.optionalColor("fillColor", layer.fillColor);
    out.base(layer);
    out.number("rotation", layer.rotation);
    GradientFillPayload::writeOptional(layer.gradient, out);
}

template <typename L> void read(const JsonReader& in, L& layer) {
    layer.rect = in.rect("rect");
    layer.color = in.color("color");
    layer.strokeWidth = in.number("strokeWidth");
    layer.lineStyle = in.enumeration("lineStyle", ArrowLineStyle::solid);
    layer.fillColor = in.optionalColor("fillColor");
    PayloadRules::applyBase(layer, in.base());
    layer.rotation = in.optionalNumber("rotation").value_or(0);
    layer.gradient = GradientFillPayload::readOptional(in);
}

} // namespace FilledShapePayload

} // namespace mebo
