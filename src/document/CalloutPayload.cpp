#include "document/CalloutPayload.h"

#include "document/CalloutLayer.h"
#include "document/GradientFillPayload.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"
#include "document/TextAttributesPayload.h"

namespace mebo {

void CalloutPayload::write(const CalloutLayer& layer, JsonWriter& out) {
    out.rect("rect", layer.rect);
    out.string("text", layer.text);
    out.color("color", layer.color);
    out.number("fontSize", layer.fontSize);
    out.optionalColor("outlineColor", layer.outlineColor);
    out.number("outlineWidth", layer.outlineWidth);
    out.color("textColor", layer.textColor);
    out.enumeration("fontWeight", layer.fontWeight);
    out.base(layer);
    TextAttributesPayload::write(layer, out);
    out.enumeration("align", layer.align);
    out.enumeration("shape", layer.shape);
    out.enumeration("tailStyle", layer.tailStyle);
    // Every tail lives in "tails"; "tailTip" is only read, from files that had a single tail.
    out.points("tails", layer.tails);
    out.number("rotation", layer.rotation);
    out.number("padding", layer.padding);
    out.enumeration("outlineStyle", layer.outlineStyle);
    GradientFillPayload::writeOptional(layer.gradient, out);
    out.optionalNumber("cornerRadius", layer.cornerRadius);
    out.optionalColor("tailColor", layer.tailColor);
    out.optionalNumber("tailSize", layer.tailSize);
    out.optionalEnum("tailLineStyle", layer.tailLineStyle);
    out.optionalEnum("tailLineCap", layer.tailLineCap);
    out.optionalEnum("tailAnchor", layer.tailAnchor);
}

LayerPtr CalloutPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<CalloutLayer>();
    layer->rect = in.rect("rect");
    const auto tailTip = in.optionalPoint("tailTip");
    layer->text = in.string("text");
    layer->color = in.color("color");
    layer->fontSize = in.number("fontSize");
    layer->outlineColor = in.optionalColor("outlineColor");
    layer->outlineWidth = in.number("outlineWidth");
    layer->textColor = in.color("textColor");
    layer->fontWeight = in.enumeration("fontWeight", TextFontWeight::semibold);
    PayloadRules::applyBase(*layer, in.base());
    TextAttributesPayload::read(in, *layer);
    layer->align = in.enumOr("align", TextAlign::center);
    layer->shape = in.enumOr("shape", CalloutShape::speechBubble);
    layer->tailStyle = in.enumOr("tailStyle", CalloutTailStyle::triangle);
    // "tails" wins even when empty; else the single tip of older files; else no tail.
    if (auto tails = in.optionalPoints("tails")) {
        layer->tails = std::move(*tails);
    } else if (tailTip) {
        layer->tails = {*tailTip};
    } else {
        layer->tails.clear();
    }
    layer->rotation = in.optionalNumber("rotation").value_or(0);
    layer->padding = in.optionalNumber("padding").value_or(8);
    layer->outlineStyle = in.enumOr("outlineStyle", ArrowLineStyle::solid);
    layer->gradient = GradientFillPayload::readOptional(in);
    layer->cornerRadius = in.optionalNumber("cornerRadius");
    layer->tailColor = in.optionalColor("tailColor");
    layer->tailSize = in.optionalNumber("tailSize");
    layer->tailLineStyle = in.optionalEnum<ArrowLineStyle>("tailLineStyle");
    layer->tailLineCap = in.optionalEnum<LineCap>("tailLineCap");
    layer->tailAnchor = in.optionalEnum<CalloutTailAnchor>("tailAnchor");
    return layer;
}

} // namespace mebo
