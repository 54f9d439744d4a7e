#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class StampLayer;
class JsonReader;
class JsonWriter;

// "stamp" records. Stamp symbol or custom image.
class StampPayload {
public:
    static constexpr const char* kType = "stamp";

    static void write(const StampLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
