#include "document/MosaicPayload.h"

#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/MosaicLayer.h"
#include "document/PayloadRules.h"

namespace mebo {

void MosaicPayload::write(const MosaicLayer& layer, JsonWriter& out) {
    out.rect("rect", layer.rect);
    out.enumeration("style", layer.style);
    out.number("intensity", layer.intensity);
    out.color("solidColor", layer.solidColor);
    out.enumeration("shape", layer.shape);
    out.optionalNumber("cornerRadius", layer.cornerRadius);
    out.points("polygonPoints", layer.polygonPoints);
    // Older readers take the cell size from "blockSize".
    out.number("blockSize", layer.style == MosaicStyle::pixelate ? layer.intensity : 14);
}

LayerPtr MosaicPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<MosaicLayer>();
    layer->rect = in.rect("rect");
    layer->style = in.enumOr("style", MosaicStyle::pixelate);
    const double blockSize = in.number("blockSize");
    layer->intensity = in.optionalNumber("intensity").value_or(blockSize);
    layer->solidColor = in.optionalColor("solidColor").value_or(QColor(Qt::black));
    if (layer->style == MosaicStyle::solid) {
        layer->solidColor.setAlphaF(1);
    }
    layer->shape = in.enumOr("shape", MosaicShape::rect);
    layer->cornerRadius = in.optionalNumber("cornerRadius");
    layer->polygonPoints = in.optionalPoints("polygonPoints").value_or(QList<QPointF>());
    PayloadRules::applyDefaultBase(*layer);
    return layer;
}

} // namespace mebo
