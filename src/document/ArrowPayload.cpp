#include "document/ArrowPayload.h"

#include "document/ArrowLayer.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"

namespace mebo {

void ArrowPayload::write(const ArrowLayer& layer, JsonWriter& out) {
    out.point("start", layer.start);
    out.point("end", layer.end);
    out.color("color", layer.color);
    out.number("strokeWidth", layer.strokeWidth);
    out.enumeration("headStyle", layer.headStyle);
    out.enumeration("lineStyle", layer.lineStyle);
    out.number("headSize", layer.headSize);
    out.number("startSize", layer.startSize);
    out.number("endSize", layer.endSize);
    out.boolean("headOutline", layer.headOutline);
    out.optionalNumber("headOutlineWidth", layer.headOutlineWidth);
    out.optionalColor("headColor", layer.headColor);
    out.optionalColor("headOutlineColor", layer.headOutlineColor);
    out.optionalEnum("headOutlineStyle", layer.headOutlineStyle);
    out.optionalEnum("lineCap", layer.lineCap);
    out.optionalPoint("controlPoint", layer.controlPoint);
    out.optionalPoint("controlPoint2", layer.controlPoint2);
    out.base(layer);
}

LayerPtr ArrowPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<ArrowLayer>();
    layer->start = in.point("start");
    layer->end = in.point("end");
    layer->color = in.color("color");
    layer->strokeWidth = in.number("strokeWidth");
    layer->headStyle = in.enumeration("headStyle", ArrowHeadStyle::end);
    layer->lineStyle = in.enumeration("lineStyle", ArrowLineStyle::solid);
    layer->headSize = in.number("headSize");
    layer->startSize = in.number("startSize");
    layer->endSize = in.number("endSize");
    layer->headOutline = in.boolean("headOutline");
    layer->headOutlineWidth = in.optionalNumber("headOutlineWidth");
    layer->headColor = in.optionalColor("headColor");
    layer->headOutlineColor = in.optionalColor("headOutlineColor");
    layer->headOutlineStyle = in.optionalEnum<ArrowLineStyle>("headOutlineStyle");
    layer->lineCap = in.optionalEnum<LineCap>("lineCap");
    layer->controlPoint = in.optionalPoint("controlPoint");
    layer->controlPoint2 = in.optionalPoint("controlPoint2");
    PayloadRules::applyBase(*layer, in.base());
    return layer;
}

} // namespace mebo
