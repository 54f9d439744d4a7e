#include "document/GradientFillPayload.h"

#include "document/JsonReader.h"
#include "document/JsonWriter.h"

namespace mebo {

GradientFill GradientFillPayload::read(const JsonReader& in) {
    return GradientFill{in.color("startColor"), in.color("endColor"), in.number("angle")};
}

void GradientFillPayload::write(const GradientFill& gradient, JsonWriter& out) {
    out.color("startColor", gradient.startColor);
    out.color("endColor", gradient.endColor);
    out.number("angle", gradient.angle);
}

std::optional<GradientFill> GradientFillPayload::readOptional(const JsonReader& in, const char* key) {
    if (const auto g = in.optionalObject(key)) {
        return read(*g);
    }
    return std::nullopt;
}

void GradientFillPayload::writeOptional(const std::optional<GradientFill>& gradient, JsonWriter& out,
                                        const char* key) {
    if (gradient) {
        JsonWriter nested = out.nested(key);
        write(*gradient, nested);
        out.object(key, nested.json());
    }
}

} // namespace mebo
