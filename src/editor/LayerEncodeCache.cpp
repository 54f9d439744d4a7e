#include "editor/LayerEncodeCache.h"

#include "document/LayerCodec.h"

namespace mebo {

std::optional<AnyCodableLayer> LayerEncodeCache::encode(const LayerPtr& layer) {
    if (!layer) {
        return std::nullopt;
    }
    auto it = entries_.find(layer.get());
    if (it != entries_.end() && it->layer.lock() == layer) {
        return it->record;
    }
    if (entries_.size() >= sweepAt_) {
        dropExpired();
        sweepAt_ = std::max<int>(256, int(entries_.size()) * 2);
    }
    std::optional<AnyCodableLayer> record = LayerCodec::encode(layer);
    entries_.insert(layer.get(), Entry{layer, record});
    return record;
}

void LayerEncodeCache::dropExpired() {
    for (auto it = entries_.begin(); it != entries_.end();) {
        it = it->layer.expired() ? entries_.erase(it) : std::next(it);
    }
}

} // namespace mebo
