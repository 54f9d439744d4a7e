#include "document/PenPayload.h"

#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"
#include "document/PenLayer.h"

namespace mebo {

void PenPayload::write(const PenLayer& layer, JsonWriter& out) {
    out.points("points", layer.points);
    out.color("color", layer.color);
    out.number("strokeWidth", layer.strokeWidth);
    out.boolean("smoothCurves", layer.smoothCurves);
    out.base(layer);
    out.enumeration("lineStyle", layer.lineStyle);
    out.optionalEnum("lineCap", layer.lineCap);
    out.optionalEnum("lineJoin", layer.lineJoin);
}

LayerPtr PenPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<PenLayer>();
    layer->points = in.points("points");
    layer->color = in.color("color");
    layer->strokeWidth = in.number("strokeWidth");
    layer->smoothCurves = in.boolean("smoothCurves");
    PayloadRules::applyBase(*layer, in.base());
    layer->lineStyle = in.enumOr("lineStyle", ArrowLineStyle::solid);
    layer->lineCap = in.optionalEnum<LineCap>("lineCap");
    layer->lineJoin = in.optionalEnum<LineJoin>("lineJoin");
    return layer;
}

} // namespace mebo
