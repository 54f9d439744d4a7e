#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class MagnifyLayer;
class JsonReader;
class JsonWriter;

// "magnify" records. Magnifier lens.
class MagnifyPayload {
public:
    static constexpr const char* kType = "magnify";

    static void write(const MagnifyLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
