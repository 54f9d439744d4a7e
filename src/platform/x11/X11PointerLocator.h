#pragma once

#include "platform/PointerLocator.h"

#include <memory>

namespace mebo::platform::x11 {

class X11Connection;

// Pointer position from QueryPointer on the root, in desktop space. Any thread may call it (the
// recorder polls it at the frame rate); one call is a single round trip.
class X11PointerLocator : public PointerLocator {
public:
    explicit X11PointerLocator(std::shared_ptr<X11Connection> conn);
    // Nothing when the pointer is on another X screen or the connection is broken.
    std::optional<QPoint> location() override;

private:
    std::shared_ptr<X11Connection> conn_;
};

} // namespace mebo::platform::x11
