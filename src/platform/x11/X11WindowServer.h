#pragma once

#include "platform/WindowServer.h"
#include "platform/x11/X11WindowList.h"

#include <memory>

namespace mebo::platform::x11 {

class X11Connection;

// The on-screen windows, front to back, without desktop elements (desktop and dock windows)
// and without this process's windows. Synchronous: a listing is a few pipelined round trips.
class X11WindowServer : public WindowServer {
public:
    explicit X11WindowServer(std::shared_ptr<X11Connection> conn);
    QList<WindowInfo> windowsFrontToBack() override;

private:
    std::shared_ptr<X11Connection> conn_;
    X11WindowList list_;
};

} // namespace mebo::platform::x11
