#include "document/SimplifyPayload.h"

#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"
#include "document/SimplifyLayer.h"

namespace mebo {

void SimplifyPayload::write(const SimplifyLayer& layer, JsonWriter& out) {
    out.rect("rect", layer.rect);
    out.color("color", layer.fillColor);
    out.base(layer);
    out.enumeration("shape", layer.shape);
    out.color("borderColor", layer.borderColor);
    out.number("borderWidth", layer.borderWidth);
    out.optionalNumber("cornerRadius", layer.cornerRadius);
    out.enumeration("borderStyle", layer.borderStyle);
}

LayerPtr SimplifyPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<SimplifyLayer>();
    layer->rect = in.rect("rect");
    layer->fillColor = in.color("color");
    layer->fillColor.setAlphaF(1);
    // The stored opacity is ignored: simplified objects are always opaque.
    PayloadRules::applyBase(*layer, in.base());
    layer->opacity = 1;
    layer->shape = in.strictEnumOr("shape", MosaicShape::rect);
    layer->borderColor = in.optionalColor("borderColor").value_or(QColor(Qt::white));
    layer->borderWidth = PayloadRules::nonNegative(in.optionalNumber("borderWidth"), 0);
    layer->cornerRadius = in.optionalNumber("cornerRadius");
    layer->borderStyle = in.enumOr("borderStyle", ArrowLineStyle::solid);
    return layer;
}

} // namespace mebo
