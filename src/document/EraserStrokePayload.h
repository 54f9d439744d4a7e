#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class EraserStrokeLayer;
class JsonReader;
class JsonWriter;

// "eraserStroke" records. Eraser stroke: points and width; no base (shadow soft, opacity 1).
class EraserStrokePayload {
public:
    static constexpr const char* kType = "eraserStroke";

    static void write(const EraserStrokeLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
