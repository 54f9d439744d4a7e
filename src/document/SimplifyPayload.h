#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class SimplifyLayer;
class JsonReader;
class JsonWriter;

// "simplify" records. Simplified interface object; an unknown shape string is an error.
class SimplifyPayload {
public:
    static constexpr const char* kType = "simplify";

    static void write(const SimplifyLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
