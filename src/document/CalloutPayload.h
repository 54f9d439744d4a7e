#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class CalloutLayer;
class JsonReader;
class JsonWriter;

// "callout" records. Callout body, text and tails (older files carry a single "tailTip").
class CalloutPayload {
public:
    static constexpr const char* kType = "callout";

    static void write(const CalloutLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
