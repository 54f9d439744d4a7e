#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class RectLayer;
class JsonReader;
class JsonWriter;

// "rect" records. Rectangle, optionally filled, rotated and rounded.
class RectPayload {
public:
    static constexpr const char* kType = "rect";

    static void write(const RectLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
