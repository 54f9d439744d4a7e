#pragma once

#include "platform/PointerButtons.h"
#include "platform/PointerLocator.h"
#include "platform/ScreenCapture.h"
#include "platform/ScreenFrameSource.h"
#include "platform/WindowServer.h"

#include <QString>
#include <memory>

namespace mebo {

// The screen backends of this process: X11 when a display can be reached, otherwise the null
// backend carrying the reason the user is told.
struct ScreenBackends {
    QString name; // "x11" or "null"
    QString unavailableReason;
    std::shared_ptr<void> connection; // keeps the backend's connection alive
    std::unique_ptr<platform::ScreenCapture> screen;
    std::unique_ptr<platform::WindowServer> windows;
    std::unique_ptr<platform::PointerLocator> pointer;
    // Recording: screen streams and mouse buttons (null buttons: none to watch).
    std::unique_ptr<platform::ScreenFrameSource> frames;
    std::unique_ptr<platform::PointerButtons> buttons;

    bool available() const { return unavailableReason.isEmpty(); }
};

// Order: the MEBO_PLATFORM override ("x11", "null"), then detection ($DISPLAY, then Wayland-only
// sessions), then the null backend.
ScreenBackends loadScreenBackends();

} // namespace mebo
