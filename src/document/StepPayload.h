#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class StepLayer;
class JsonReader;
class JsonWriter;

// "step" records. Numbered step badge; its base is optional.
class StepPayload {
public:
    static constexpr const char* kType = "step";

    static void write(const StepLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
