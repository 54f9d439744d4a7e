#include "document/StepPayload.h"

#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/PayloadRules.h"
#include "document/StepLayer.h"

#include <limits>

namespace mebo {

void StepPayload::write(const StepLayer& layer, JsonWriter& out) {
    out.point("center", layer.center);
    out.integer("number", layer.number);
    out.color("color", layer.color);
    out.number("radius", layer.radius);
    out.color("textColor", layer.textColor);
    out.base(layer);
    out.enumeration("sequence", layer.sequence);
    out.enumeration("shape", layer.shape);
    out.color("outlineColor", layer.outlineColor);
    out.number("outlineWidth", layer.outlineWidth);
    out.enumeration("fontWeight", layer.fontWeight);
    out.enumeration("outlineStyle", layer.outlineStyle);
    out.string("fontFamily", layer.fontFamily);
    out.optionalNumber("cornerRadius", layer.cornerRadius);
}

LayerPtr StepPayload::read(const JsonReader& in) {
    auto layer = std::make_shared<StepLayer>();
    layer->center = in.point("center");
    const qint64 number = in.integer("number");
    if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) {
        throw JsonDecodeError(QStringLiteral("key '%1' is out of range").arg(in.pathOf("number")));
    }
    layer->number = int(number);
    layer->color = in.color("color");
    layer->radius = in.number("radius");
    layer->textColor = in.optionalColor("textColor").value_or(QColor(Qt::white));
    PayloadRules::applyOptionalBase(*layer, in.optionalBase());
    layer->sequence = in.enumOr("sequence", StepSequence::numeric);
    layer->shape = in.enumOr("shape", StepShape::circle);
    layer->outlineColor = in.optionalColor("outlineColor").value_or(QColor(Qt::black));
    layer->outlineWidth = PayloadRules::nonNegative(in.optionalNumber("outlineWidth"), 0);
    layer->fontWeight = in.enumOr("fontWeight", TextFontWeight::bold);
    layer->outlineStyle = in.enumOr("outlineStyle", ArrowLineStyle::solid);
    layer->fontFamily = in.optionalString("fontFamily").value_or(QString());
    layer->cornerRadius = in.optionalNumber("cornerRadius");
    return layer;
}

} // namespace mebo
