#include "document/StampPayload.h"

#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"
#include "document/StampLayer.h"

namespace mebo {

void StampPayload::write(const StampLayer& layer, JsonWriter& out) {
    out.point("center", layer.center);
    out.string("symbolName", layer.symbolName);
    out.color("color", layer.color);
    out.number("size", layer.size);
    out.base(layer);
    // An empty path means no custom image, as on load.
    if (layer.imagePath && !layer.imagePath->isEmpty()) {
        out.string("imagePath", *layer.imagePath);
    }
    out.number("rotation", layer.rotation);
    out.boolean("flipH", layer.flipH);
    out.boolean("flipV", layer.flipV);
}

LayerPtr StampPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<StampLayer>();
    layer->center = in.point("center");
    layer->symbolName = in.string("symbolName");
    layer->color = in.color("color");
    layer->size = in.number("size");
    PayloadRules::applyOptionalBase(*layer, in.optionalBase());
    layer->imagePath = in.optionalString("imagePath");
    if (layer->imagePath && layer->imagePath->isEmpty()) {
        layer->imagePath.reset();
    }
    layer->rotation = in.optionalNumber("rotation").value_or(0);
    layer->flipH = in.optionalBoolean("flipH").value_or(false);
    layer->flipV = in.optionalBoolean("flipV").value_or(false);
    return layer;
}

} // namespace mebo
