#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class ArrowLayer;
class JsonReader;
class JsonWriter;

// "arrow" records. Arrow: start, end, shaft and head attributes, and its base.
class ArrowPayload {
public:
    static constexpr const char* kType = "arrow";

    static void write(const ArrowLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
