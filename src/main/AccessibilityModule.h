#pragma once

#include "capture/WindowSnapper.h"

#include <functional>
#include <memory>

namespace mebo {

namespace platform {
class Accessibility;
class WindowServer;
} // namespace platform

class AccessibilityScrollLocator;
class ScreenCaptureSvc;

// The accessibility backend (AT-SPI), a shared module loaded when a scroll capture needs it, and
// the locator over it. Without the module (or with MEBO_ACCESSIBILITY=off) there is no locator
// and scroll captures use the window heuristics. Main thread.
class AccessibilityModule {
public:
    AccessibilityModule(ScreenCaptureSvc& screenshots, platform::WindowServer& windows);
    ~AccessibilityModule();

    // Null when accessibility is unavailable (the log says why).
    AccessibilityScrollLocator* locator() const { return locator_.get(); }
    // The overlay's content areas: the snap area under a point of a window, asked of the
    // locator's thread (a browser's page only, in a browser). Null without a locator.
    WindowSnapper::ContentQuery contentAreaQuery() const;

private:
    std::unique_ptr<AccessibilityScrollLocator> locator_;
    std::function<int()> primaryHeight_;
};

} // namespace mebo
