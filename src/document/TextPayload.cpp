#include "document/TextPayload.h"

#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"
#include "document/TextAttributesPayload.h"
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
    TextAttributesPayload::write(layer, out);
    out.enumeration("align", layer.align);
    out.color("backgroundColor", layer.backgroundColor);
    out.optionalNumber("backgroundCornerRadius", layer.backgroundCornerRadius);
    out.optionalNumber("outlineWidthPercent", layer.outlineWidthPercent);
    out.optionalNumber("backgroundPadding", layer.backgroundPadding);
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
    TextAttributesPayload::read(in, *layer);
    layer->align = in.enumOr("align", TextAlign::left);
    layer->backgroundColor = in.optionalColor("backgroundColor").value_or(QColor(Qt::transparent));
    layer->backgroundCornerRadius = in.optionalNumber("backgroundCornerRadius");
    layer->outlineWidthPercent = in.optionalNumber("outlineWidthPercent");
    layer->backgroundPadding = in.optionalNumber("backgroundPadding");
    return layer;
}

} // namespace mebo
