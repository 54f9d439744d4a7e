#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class SpotlightLayer;
class JsonReader;
class JsonWriter;

// "spotlight" records. Spotlight; an unknown shape string is an error.
class SpotlightPayload {
public:
    static constexpr const char* kType = "spotlight";

    static void write(const SpotlightLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
