#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class HighlighterLayer;
class JsonReader;
class JsonWriter;

// "highlighter" records. Highlighter: carries "shadow" and "opacity" itself instead of a base.
class HighlighterPayload {
public:
    static constexpr const char* kType = "highlighter";

    static void write(const HighlighterLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
