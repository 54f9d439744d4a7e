#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class MosaicLayer;
class JsonReader;
class JsonWriter;

// "mosaic" records. Mosaic: "blockSize" is written as the intensity for pixelate and as 14 otherwise.
class MosaicPayload {
public:
    static constexpr const char* kType = "mosaic";

    static void write(const MosaicLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
