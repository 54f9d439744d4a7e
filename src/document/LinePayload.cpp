#include "document/LinePayload.h"

#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/LineLayer.h"
#include "document/PayloadRules.h"

namespace mebo {

void LinePayload::write(const LineLayer& layer, JsonWriter& out) {
    out.point("start", layer.start);
    out.point("end", layer.end);
    out.color("color", layer.color);
    out.number("strokeWidth", layer.strokeWidth);
    out.enumeration("lineStyle", layer.lineStyle);
    out.optionalEnum("lineCap", layer.lineCap);
    out.base(layer);
}

LayerPtr LinePayload::read(const JsonReader& in) {
    auto layer = std::make_shared<LineLayer>();
    layer->start = in.point("start");
    layer->end = in.point("end");
    layer->color = in.color("color");
    layer->strokeWidth = in.number("strokeWidth");
    layer->lineStyle = in.enumeration("lineStyle", ArrowLineStyle::solid);
    layer->lineCap = in.optionalEnum<LineCap>("lineCap");
    PayloadRules::applyBase(*layer, in.base());
    return layer;
}

} // namespace mebo
