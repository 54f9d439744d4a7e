#include "document/EllipsePayload.h"

#include "document/EllipseLayer.h"
#include "document/GradientFillPayload.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"

namespace mebo {

void EllipsePayload::write(const EllipseLayer& layer, JsonWriter& out) {
    out.rect("rect", layer.rect);
    out.color("color", layer.color);
    out.number("strokeWidth", layer.strokeWidth);
    out.enumeration("lineStyle", layer.lineStyle);
    out.optionalColor("fillColor", layer.fillColor);
    out.base(layer);
    out.number("rotation", layer.rotation);
    GradientFillPayload::writeOptional(layer.gradient, out);
}

LayerPtr EllipsePayload::read(const JsonReader& in) {
    auto layer = std::make_shared<EllipseLayer>();
    layer->rect = in.rect("rect");
    layer->color = in.color("color");
    layer->strokeWidth = in.number("strokeWidth");
    layer->lineStyle = in.enumeration("lineStyle", ArrowLineStyle::solid);
    layer->fillColor = in.optionalColor("fillColor");
    PayloadRules::applyBase(*layer, in.base());
    layer->rotation = in.optionalNumber("rotation").value_or(0);
    layer->gradient = GradientFillPayload::readOptional(in);
    return layer;
}

} // namespace mebo
