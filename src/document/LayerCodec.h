#pragma once

#include "document/AnyCodableLayer.h"
#include "document/DrawingLayer.h"
#include "document/JsonDecodeError.h"

#include <QStringList>
#include <optional>

namespace mebo {

// Layers to tagged payload records and back. Any thread: it holds no state.
class LayerCodec {
public:
    // Payload JSON above this size is refused before parsing (a paste image at the PNG limit
    // fits, Base64 included).
    static constexpr qsizetype kMaxPayloadBytes = qsizetype(448) << 20;

    // The record of a layer of one of the known classes (matched exactly), its payload compact
    // with sorted keys, so the same layer always gives the same bytes. Nothing for other classes
    // (silently) and for a payload that cannot be encoded (logged as an error).
    static std::optional<AnyCodableLayer> encode(const LayerPtr& layer);
    // The layer of a record, unlocked. Nothing for an unknown type (logged as a warning) and for a
    // region fill whose mask does not decode; throws JsonDecodeError for a payload that is not
    // valid JSON, misses a required key or holds a value of the wrong type.
    static LayerPtr decode(const QString& type, const QByteArray& data);
    static LayerPtr decode(const AnyCodableLayer& record) { return decode(record.type, record.data); }

    // Every type string decode accepts, in the encoder's order ("blur" is read only).
    static QStringList knownTypes();
};

} // namespace mebo
