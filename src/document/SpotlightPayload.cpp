#include "document/SpotlightPayload.h"

#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"
#include "document/SpotlightLayer.h"

namespace mebo {

void SpotlightPayload::write(const SpotlightLayer& layer, JsonWriter& out) {
    out.rect("rect", layer.rect);
    out.number("dimAlpha", layer.dimAlpha);
    out.enumeration("shape", layer.shape);
    out.color("borderColor", layer.borderColor);
    out.number("borderWidth", layer.borderWidth);
    out.optionalNumber("cornerRadius", layer.cornerRadius);
    out.enumeration("borderStyle", layer.borderStyle);
    out.optionalColor("dimColor", layer.dimColor);
}

LayerPtr SpotlightPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<SpotlightLayer>();
    layer->rect = in.rect("rect");
    layer->dimAlpha = in.number("dimAlpha");
    layer->shape = in.strictEnumOr("shape", MosaicShape::rect);
    layer->borderColor = in.optionalColor("borderColor").value_or(QColor(Qt::white));
    layer->borderWidth = PayloadRules::nonNegative(in.optionalNumber("borderWidth"), 0);
    layer->cornerRadius = in.optionalNumber("cornerRadius");
    layer->borderStyle = in.enumOr("borderStyle", ArrowLineStyle::solid);
    layer->dimColor = in.optionalColor("dimColor");
    PayloadRules::applyDefaultBase(*layer);
    return layer;
}

} // namespace mebo
