#pragma once

#include "document/AnyCodableLayer.h"
#include "document/DrawingLayer.h"

#include <QHash>
#include <memory>
#include <optional>

namespace mebo {

// Layer records by layer identity. Layers do not change once in the editor's list, so a layer is
// encoded once however often the fingerprint is asked for or the sidecar written (a pasted image
// or a fill mask would otherwise be PNG-encoded every time).
class LayerEncodeCache {
public:
    std::optional<AnyCodableLayer> encode(const LayerPtr& layer);
    void clear() { entries_.clear(); }
    int size() const { return int(entries_.size()); }

private:
    struct Entry {
        std::weak_ptr<DrawingLayer> layer; // a freed address may be reused by a new layer
        std::optional<AnyCodableLayer> record;
    };
    void dropExpired();

    QHash<const DrawingLayer*, Entry> entries_;
    int sweepAt_ = 256;
};

} // namespace mebo
