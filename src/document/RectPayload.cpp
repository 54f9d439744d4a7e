#include "document/RectPayload.h"

#include "document/GradientFillPayload.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"
#include "document/RectLayer.h"

namespace mebo {

void RectPayload::write(const RectLayer& layer, JsonWriter& out) {
    out.rect("rect", layer.rect);
    out.color("color", layer.color);
    out.number("strokeWidth", layer.strokeWidth);
    out.enumeration("lineStyle", layer.lineStyle);
    out.optionalColor("fillColor", layer.fillColor);
    out.base(layer);
    out.number("rotation", layer.rotation);
    GradientFillPayload::writeOptional(layer.gradient, out);
    out.number("cornerRadius", layer.cornerRadius);
}

LayerPtr RectPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<RectLayer>();
    layer->rect = in.rect("rect");
    layer->color = in.color("color");
    layer->strokeWidth = in.number("strokeWidth");
    layer->lineStyle = in.enumeration("lineStyle", ArrowLineStyle::solid);
    layer->fillColor = in.optionalColor("fillColor");
    PayloadRules::applyBase(*layer, in.base());
    layer->rotation = in.optionalNumber("rotation").value_or(0);
    layer->gradient = GradientFillPayload::readOptional(in);
    layer->cornerRadius = PayloadRules::nonNegative(in.optionalNumber("cornerRadius"), 0);
    return layer;
}

} // namespace mebo
