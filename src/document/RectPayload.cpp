#include "document/RectPayload.h"

#include "document/FilledShapePayload.h"
#include "document/PayloadRules.h"
#include "document/RectLayer.h"

namespace mebo {

void RectPayload::write(const RectLayer& layer, JsonWriter& out) {
    FilledShapePayload::write(layer, out);
    out.number("cornerRadius", layer.cornerRadius);
}

LayerPtr RectPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<RectLayer>();
    FilledShapePayload::read(in, *layer);
    layer->cornerRadius = PayloadRules::nonNegative(in.optionalNumber("cornerRadius"), 0);
    return layer;
}

} // namespace mebo
