#pragma once

#include "platform/Display.h"

#include <QList>

namespace mebo::platform {

// The window server's list of on-screen windows, front to back (desktop elements excluded).
class WindowServer {
public:
    virtual ~WindowServer() = default;
    virtual QList<WindowInfo> windowsFrontToBack() = 0;
};

} // namespace mebo::platform
