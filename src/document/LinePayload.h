#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class LineLayer;
class JsonReader;
class JsonWriter;

// "line" records. Straight line.
class LinePayload {
public:
    static constexpr const char* kType = "line";

    static void write(const LineLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
