#include "document/PolygonPayload.h"

#include "document/GradientFillPayload.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"
#include "document/PolygonLayer.h"

#include <algorithm>

namespace mebo {

void PolygonPayload::write(const PolygonLayer& layer, JsonWriter& out) {
    out.rect("rect", layer.rect);
    out.integer("sides", layer.sides);
    out.color("color", layer.color);
    out.number("strokeWidth", layer.strokeWidth);
    out.enumeration("lineStyle", layer.lineStyle);
    out.optionalColor("fillColor", layer.fillColor);
    out.base(layer);
    out.number("rotation", layer.rotation);
    GradientFillPayload::writeOptional(layer.gradient, out);
    out.number("innerRatio", layer.innerRatio);
}

LayerPtr PolygonPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<PolygonLayer>();
    layer->rect = in.rect("rect");
    layer->sides = int(std::clamp<qint64>(in.integer("sides"), 3, 12));
    layer->color = in.color("color");
    layer->strokeWidth = in.number("strokeWidth");
    layer->lineStyle = in.enumeration("lineStyle", ArrowLineStyle::solid);
    layer->fillColor = in.optionalColor("fillColor");
    PayloadRules::applyBase(*layer, in.base());
    layer->rotation = in.optionalNumber("rotation").value_or(0);
    layer->gradient = GradientFillPayload::readOptional(in);
    layer->innerRatio = std::clamp(in.optionalNumber("innerRatio").value_or(1.0), 0.1, 1.0);
    return layer;
}

} // namespace mebo
