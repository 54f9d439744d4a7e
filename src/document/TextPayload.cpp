#include "document/TextPayload.h"

#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"
#include "document/TextLayer.h"

namespace mebo {

void TextPayload::write(const TextLayer& layer, JsonWriter& out) {
    out.point("position", layer.position);
    out.string("text", layer.text);
    out.color("color", layer.color);
    out.number("fontSize", layer.fontSize);
    out.color("outlineColor", layer.outlineColor);
    out.enumeration("fontWeight", layer.fontWeight);
    out.base(layer);
    out.string("fontFamily", layer.fontFamily);
    out.boolean("underline", layer.underline);
    out.boolean("strike", layer.strike);
    out.boolean("italic", layer.italic);
    out.enumeration("align", layer.align);
    out.color("backgroundColor", layer.backgroundColor);
    out.optionalNumber("backgroundCornerRadius", layer.backgroundCornerRadius);
    out.optionalNumber("outlineWidthPercent", layer.outlineWidthPercent);
    out.optionalNumber("trackingPt", layer.trackingPt);
    out.optionalNumber("lineHeightMultiple", layer.lineHeightMultiple);
    out.optionalNumber("backgroundPadding", layer.backgroundPadding);
    out.optionalEnum("underlineStyle", layer.underlineStyle);
    out.optionalEnum("strikeStyle", layer.strikeStyle);
}

LayerPtr TextPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<TextLayer>();
    layer->position = in.point("position");
    layer->text = in.string("text");
    layer->color = in.color("color");
    layer->fontSize = in.number("fontSize");
    layer->outlineColor = in.color("outlineColor");
    layer->fontWeight = in.enumeration("fontWeight", TextFontWeight::bold);
    PayloadRules::applyBase(*layer, in.base());
    layer->fontFamily = in.optionalString("fontFamily").value_or(QString());
    layer->underline = in.optionalBoolean("underline").value_or(false);
    layer->strike = in.optionalBoolean("strike").value_or(false);
    layer->italic = in.optionalBoolean("italic").value_or(false);
    layer->align = in.enumOr("align", TextAlign::left);
    layer->backgroundColor = in.optionalColor("backgroundColor").value_or(QColor(Qt::transparent));
    layer->backgroundCornerRadius = in.optionalNumber("backgroundCornerRadius");
    layer->outlineWidthPercent = in.optionalNumber("outlineWidthPercent");
    layer->trackingPt = in.optionalNumber("trackingPt");
    layer->lineHeightMultiple = in.optionalNumber("lineHeightMultiple");
    layer->backgroundPadding = in.optionalNumber("backgroundPadding");
    layer->underlineStyle = in.optionalEnum<TextLineStyle>("underlineStyle");
    layer->strikeStyle = in.optionalEnum<TextLineStyle>("strikeStyle");
    return layer;
}

} // namespace mebo
