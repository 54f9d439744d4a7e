#pragma once

#include "capture/RegionOverlay.h"

#include <QRect>
#include <QString>
#include <optional>

namespace mebo {

namespace platform {
class DefaultsStore;
}

// The last selected rectangle per region kind, under "capture.lastRegion." + the kind's raw value,
// as [x, y, width, height] of the standardised rectangle in desktop space (points, bottom-left
// origin of the primary display). Main thread.
class LastRegionStore {
public:
    static constexpr int minSide = 8; // points; smaller selections are used but not remembered

    explicit LastRegionStore(platform::DefaultsStore& defaults);

    static QString rawValue(RegionKind kind);
    static QString key(RegionKind kind);

    // Stores `rect` (standardised first) when both sides are at least `minSide`; answers whether
    // it did.
    bool remember(RegionKind kind, const QRect& rect);
    // The remembered rectangle, or nothing when none is stored or the value is malformed.
    std::optional<QRect> recall(RegionKind kind) const;

private:
    platform::DefaultsStore& defaults_;
};

} // namespace mebo
