#include "document/HighlighterPayload.h"

#include "document/HighlighterLayer.h"
#include "document/JsonReader.h"
#include "document/JsonWriter.h"

namespace mebo {

void HighlighterPayload::write(const HighlighterLayer& layer, JsonWriter& out) {
    out.rect("rect", layer.rect);
    out.color("color", layer.color);
    out.enumeration("shape", layer.shape);
    out.string("shadow", shadowStyleRawValue(layer.shadow));
    out.number("opacity", layer.opacity);
    out.optionalNumber("cornerRadius", layer.cornerRadius);
    out.optionalNumber("underlineThickness", layer.underlineThickness);
}

LayerPtr HighlighterPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<HighlighterLayer>();
    layer->rect = in.rect("rect");
    layer->color = in.color("color");
    layer->shape = in.enumOr("shape", HighlighterShape::rect);
    // Unlike the base rule, a missing or unknown shadow means none here.
    const QString shadow = in.optionalString("shadow").value_or(QString());
    layer->shadow = shadow == QLatin1String("soft")   ? ShadowStyle::soft
                    : shadow == QLatin1String("hard") ? ShadowStyle::hard
                                                      : ShadowStyle::none;
    layer->opacity = in.optionalNumber("opacity").value_or(1);
    layer->cornerRadius = in.optionalNumber("cornerRadius");
    layer->underlineThickness = in.optionalNumber("underlineThickness");
    return layer;
}

} // namespace mebo
