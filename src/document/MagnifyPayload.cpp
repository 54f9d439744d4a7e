#include "document/MagnifyPayload.h"

#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/MagnifyLayer.h"
#include "document/PayloadRules.h"

namespace mebo {

void MagnifyPayload::write(const MagnifyLayer& layer, JsonWriter& out) {
    out.point("center", layer.center);
    out.number("width", layer.size.width());
    out.number("height", layer.size.height());
    out.number("zoomLevel", layer.zoomLevel);
    out.enumeration("shape", layer.shape);
    out.color("borderColor", layer.borderColor);
    out.number("borderWidth", layer.borderWidth);
    out.base(layer);
    out.number("sourceOffsetX", layer.sourceOffset.width());
    out.number("sourceOffsetY", layer.sourceOffset.height());
    out.optionalNumber("cornerRadius", layer.cornerRadius);
    out.enumeration("borderStyle", layer.borderStyle);
}

LayerPtr MagnifyPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<MagnifyLayer>();
    layer->center = in.point("center");
    const double width = in.number("width");
    layer->size = QSizeF(width, in.number("height"));
    layer->zoomLevel = in.number("zoomLevel");
    layer->shape = in.enumeration("shape", MagnifyShape::circle);
    layer->borderColor = in.color("borderColor");
    layer->borderWidth = in.optionalNumber("borderWidth").value_or(3);
    PayloadRules::applyOptionalBase(*layer, in.optionalBase());
    const double dx = in.optionalNumber("sourceOffsetX").value_or(0);
    layer->sourceOffset = QSizeF(dx, in.optionalNumber("sourceOffsetY").value_or(0));
    layer->cornerRadius = in.optionalNumber("cornerRadius");
    layer->borderStyle = in.enumOr("borderStyle", ArrowLineStyle::solid);
    return layer;
}

} // namespace mebo
