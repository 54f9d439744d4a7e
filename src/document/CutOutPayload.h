#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class CutOutLayer;
class JsonReader;
class JsonWriter;

// "cutout" records. Cut-out strip; a straight edge is never a layer, so it loads as torn.
class CutOutPayload {
public:
    static constexpr const char* kType = "cutout";

    static void write(const CutOutLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
