#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class PenLayer;
class JsonReader;
class JsonWriter;

// "pen" records. Freehand stroke: its points, colour, width and curve smoothing.
class PenPayload {
public:
    static constexpr const char* kType = "pen";

    static void write(const PenLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
