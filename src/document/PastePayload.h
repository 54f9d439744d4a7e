#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class PasteImageLayer;
class JsonReader;
class JsonWriter;

// "paste" records. Pasted image as PNG; undecodable bytes leave the image empty.
class PastePayload {
public:
    static constexpr const char* kType = "paste";

    static void write(const PasteImageLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
