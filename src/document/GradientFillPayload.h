#pragma once

#include "document/GradientFill.h"

#include <optional>

namespace mebo {

class JsonReader;
class JsonWriter;

// {"startColor", "endColor", "angle"}, all required. Nested in shape payloads and the video
// project's wallpaper.
class GradientFillPayload {
public:
    static GradientFill read(const JsonReader& in);
    static void write(const GradientFill& gradient, JsonWriter& out);
    // An optional "gradient" key of a payload.
    static std::optional<GradientFill> readOptional(const JsonReader& in, const char* key = "gradient");
    static void writeOptional(const std::optional<GradientFill>& gradient, JsonWriter& out,
                              const char* key = "gradient");
};

} // namespace mebo
