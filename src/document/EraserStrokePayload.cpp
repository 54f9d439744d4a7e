#include "document/EraserStrokePayload.h"

#include "document/EraserStrokeLayer.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"

namespace mebo {

void EraserStrokePayload::write(const EraserStrokeLayer& layer, JsonWriter& out) {
    out.points("points", layer.points);
    out.number("width", layer.width);
}

LayerPtr EraserStrokePayload::read(const JsonReader& in) {
    auto layer = std::make_shared<EraserStrokeLayer>();
    layer->points = in.points("points");
    layer->width = in.number("width");
    PayloadRules::applyDefaultBase(*layer);
    return layer;
}

} // namespace mebo
