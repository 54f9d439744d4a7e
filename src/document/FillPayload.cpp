#include "document/FillPayload.h"

#include "document/FillLayer.h"
#include "document/GradientFillPayload.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"

namespace mebo {

void FillPayload::write(const FillLayer& layer, JsonWriter& out) {
    out.color("color", layer.color);
    out.number("alpha", layer.alpha);
    GradientFillPayload::writeOptional(layer.gradient, out);
}

LayerPtr FillPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<FillLayer>();
    layer->color = in.color("color");
    layer->setAlpha(in.optionalNumber("alpha").value_or(0.25));
    layer->gradient = GradientFillPayload::readOptional(in);
    PayloadRules::applyDefaultBase(*layer);
    return layer;
}

} // namespace mebo
