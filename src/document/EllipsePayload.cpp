#include "document/EllipsePayload.h"

#include "document/EllipseLayer.h"
#include "document/FilledShapePayload.h"

namespace mebo {

void EllipsePayload::write(const EllipseLayer& layer, JsonWriter& out) {
    FilledShapePayload::write(layer, out);
}

LayerPtr EllipsePayload::read(const JsonReader& in) {
    auto layer = std::make_shared<EllipseLayer>();
    FilledShapePayload::read(in, *layer);
    return layer;
}

} // namespace mebo
