#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class TextLayer;
class JsonReader;
class JsonWriter;

// "text" records. Text label.
class TextPayload {
public:
    static constexpr const char* kType = "text";

    static void write(const TextLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
