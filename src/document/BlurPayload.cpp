#include "document/BlurPayload.h"

#include "document/JsonReader.h"
#include "document/MosaicLayer.h"
#include "document/PayloadRules.h"

namespace mebo {

LayerPtr BlurPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<MosaicLayer>();
    layer->rect = in.rect("rect");
    layer->style = MosaicStyle::gaussian;
    layer->intensity = in.number("radius");
    layer->solidColor = Qt::black;
    layer->shape = MosaicShape::rect;
    layer->cornerRadius.reset();
    layer->polygonPoints.clear();
    PayloadRules::applyDefaultBase(*layer);
    return layer;
}

} // namespace mebo
