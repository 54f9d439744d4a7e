#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class PolygonLayer;
class JsonReader;
class JsonWriter;

// "polygon" records. Regular polygon or star; sides kept within 3 to 12, innerRatio within 0.1 to 1.
class PolygonPayload {
public:
    static constexpr const char* kType = "polygon";

    static void write(const PolygonLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
