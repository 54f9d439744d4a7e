#include "document/PolygonPayload.h"

#include "document/FilledShapePayload.h"
#include "document/PolygonLayer.h"

#include <algorithm>

namespace mebo {

void PolygonPayload::write(const PolygonLayer& layer, JsonWriter& out) {
    FilledShapePayload::write(layer, out);
    out.integer("sides", layer.sides);
    out.number("innerRatio", layer.innerRatio);
}

LayerPtr PolygonPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<PolygonLayer>();
    FilledShapePayload::read(in, *layer);
    layer->sides = int(std::clamp<qint64>(in.integer("sides"), 3, 12));
    layer->innerRatio = std::clamp(in.optionalNumber("innerRatio").value_or(1.0), 0.1, 1.0);
    return layer;
}

} // namespace mebo
