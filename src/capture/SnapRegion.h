#pragma once

#include <QRect>
#include <QString>
#include <cstdint>

namespace mebo {

// Something the overlay can snap to: a window, or the content area inside one. `rect` is in
// window space (points, top-left origin of the primary display), like window frames.
struct SnapRegion {
    QRect rect;
    QString title; // shown in the heads-up label
    bool isScrollable = false;
    uint32_t windowId = 0;      // the window it belongs to; 0 when it is no window's
    bool isContentArea = false; // a page inside a browser rather than the whole window

    bool operator==(const SnapRegion&) const = default;
};

} // namespace mebo
