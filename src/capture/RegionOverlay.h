#pragma once

#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace mebo {

enum class SnapIntent { area, window };
enum class RegionKind { area, record };

struct OverlayOutcome {
    enum class Kind { cancelled, region, window };
    Kind kind = Kind::cancelled;
    uint32_t displayId = 0; // region
    QRect rect;             // region: desktop space, points, bottom-left origin
    uint32_t windowId = 0;  // window
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
