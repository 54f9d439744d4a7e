#pragma once

#include <cstdint>
#include <functional>

namespace mebo::platform {

// The mouse buttons: which are held now, and a monitor of every press anywhere on the desktop.
class PointerButtons {
public:
    virtual ~PointerButtons() = default;
    // Bit 0 = left, 1 = right, 2 = middle, 3+ = other buttons (wheel notches are not buttons).
    virtual uint32_t pressedButtons() = 0;
    // `onPress` runs on the monitor's own thread for each press (left, right or other button,
    // wheel notches excluded). False when presses cannot be watched. One monitor at a time.
    virtual bool startPressMonitor(std::function<void(int button)> onPress) = 0;
    // Joins the monitor's thread.
    virtual void stopPressMonitor() = 0;
};

} // namespace mebo::platform
