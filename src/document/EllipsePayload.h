#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class EllipseLayer;
class JsonReader;
class JsonWriter;

// "ellipse" records. Ellipse: the rectangle payload without a corner radius.
class EllipsePayload {
public:
    static constexpr const char* kType = "ellipse";

    static void write(const EllipseLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
