#pragma once

#include "document/JsonReader.h"
#include "document/JsonWriter.h"
#include "document/LayerEnums.h"

#include <QString>

namespace mebo {

// The optional typography keys text and callout payloads share: font family, underline, strike,
// italic, tracking, line height and the two line styles. `L` is TextLayer or CalloutLayer.
namespace TextAttributesPayload {

template <typename L> void write(const L& layer, JsonWriter& out) {
    out.string("fontFamily", layer.fontFamily);
    out.boolean("underline", layer.underline);
    out.boolean("strike", layer.strike);
    out.boolean("italic", layer.italic);
    out.optionalNumber("trackingPt", layer.trackingPt);
    out.optionalNumber("lineHeightMultiple", layer.lineHeightMultiple);
    out.optionalEnum("underlineStyle", layer.underlineStyle);
    out.optionalEnum("strikeStyle", layer.strikeStyle);
}

template <typename L> void read(const JsonReader& in, L& layer) {
    layer.fontFamily = in.optionalString("fontFamily").value_or(QString());
    layer.underline = in.optionalBoolean("underline").value_or(false);
    layer.strike = in.optionalBoolean("strike").value_or(false);
    layer.italic = in.optionalBoolean("italic").value_or(false);
    layer.trackingPt = in.optionalNumber("trackingPt");
    layer.lineHeightMultiple = in.optionalNumber("lineHeightMultiple");
    layer.underlineStyle = in.template optionalEnum<TextLineStyle>("underlineStyle");
    layer.strikeStyle = in.template optionalEnum<TextLineStyle>("strikeStyle");
}

} // namespace TextAttributesPayload

} // namespace mebo
