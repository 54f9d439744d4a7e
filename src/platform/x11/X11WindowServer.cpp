#include "platform/x11/X11WindowServer.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11MonitorLayout.h"

namespace mebo::platform::x11 {

X11WindowServer::X11WindowServer(std::shared_ptr<X11Connection> conn) : conn_(conn), list_(std::move(conn)) {}

QList<WindowInfo> X11WindowServer::windowsFrontToBack() {
    const X11MonitorLayout layout = X11MonitorLayout::query(*conn_, X11MonitorLayout::Names::Skip);
    return X11WindowList::filtered(list_.list(layout), /*onScreenOnly*/ true,
                                   /*excludeDesktopElements*/ true);
}

} // namespace mebo::platform::x11
