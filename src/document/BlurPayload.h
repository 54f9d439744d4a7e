#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class MosaicLayer;
class JsonReader;
class JsonWriter;

// "blur" records. Blur records of older files: read as a gaussian mosaic, never written.
class BlurPayload {
public:
    static constexpr const char* kType = "blur";

    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
