#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class FillLayer;
class JsonReader;
class JsonWriter;

// "fill" records. Whole-image fill.
class FillPayload {
public:
    static constexpr const char* kType = "fill";

    static void write(const FillLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
