#pragma once

#include "document/DrawingLayer.h"

namespace mebo {

class RegionFillLayer;
class JsonReader;
class JsonWriter;

// "regionFill" records. Flood-filled region with its greyscale mask as PNG; an undecodable mask drops the
// layer.
class RegionFillPayload {
public:
    static constexpr const char* kType = "regionFill";

    static void write(const RegionFillLayer& layer, JsonWriter& out);
    // Null when the record is dropped at load; throws JsonDecodeError when it is invalid.
    static LayerPtr read(const JsonReader& in);
};

} // namespace mebo
