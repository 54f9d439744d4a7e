#pragma once

#include <functional>

namespace mebo::platform {

// Escape pressed anywhere on the desktop while a capture runs in another application's window
// (our panel never takes the focus). Only Escape is taken; other keys reach their windows.
// Main thread.
class EscapeKeyGrab {
public:
    virtual ~EscapeKeyGrab() = default;
    // Starts watching; `pressed` runs on the main thread for every Escape press until stop().
    // False when the key cannot be grabbed (another client holds it).
    virtual bool start(std::function<void()> pressed) = 0;
    virtual void stop() = 0;
};

} // namespace mebo::platform
