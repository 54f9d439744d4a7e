#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace mebo {

// What the overlay offers first: `area` and `window` captures come from the coordinator, `scroll`
// from scrolling captures; `capture` is the neutral default.
enum class SnapIntent { capture, area, window, scroll };
// Which remembered rectangle ("capture.lastRegion.<kind>") a selection uses and updates.
enum class RegionKind { area, record, scroll };

struct OverlayOutcome {
    // `scroll`: the scroll shortcut asked for a scroll capture of the region instead.
    enum class Kind { cancelled, region, window, scroll };
    Kind kind = Kind::cancelled;
    uint32_t displayId = 0; // region, scroll
    QRect rect;             // region, scroll: desktop space, points, bottom-left origin
    uint32_t windowId = 0;  // window
    // The selection cut out of the picture taken before the overlay appeared (so the overlay is
    // never in it); null when the overlay had no picture and the caller must grab the screen.
    QImage image;
    std::optional<QString> title; // window: its title
};

// The region selection overlay, as the capture coordinator drives it. Main thread only.
class RegionOverlay {
public:
    virtual ~RegionOverlay() = default;
    // True while an overlay is on screen or being prepared.
    virtual bool isBusy() const = 0;
    // Presents the overlay; `done` runs once with the user's outcome.
    virtual void present(SnapIntent intent, RegionKind kind, const std::optional<QString>& preferredApp,
                         std::function<void(OverlayOutcome)> done) = 0;
};

} // namespace mebo
