#include "platform/x11/X11PointerLocator.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11MonitorLayout.h"

#include <cstdlib>

namespace mebo::platform::x11 {

X11PointerLocator::X11PointerLocator(std::shared_ptr<X11Connection> conn) : conn_(std::move(conn)) {}

std::optional<QPoint> X11PointerLocator::location() {
    if (conn_->hasError()) {
        return std::nullopt;
    }
    xcb_connection_t* c = conn_->xcb();
    // Sent first so that the monitor query below travels in the same round trip.
    const xcb_query_pointer_cookie_t cookie = xcb_query_pointer(c, conn_->root());
    const X11MonitorLayout layout = X11MonitorLayout::query(*conn_, X11MonitorLayout::Names::Skip);
    xcb_query_pointer_reply_t* r = xcb_query_pointer_reply(c, cookie, nullptr);
    if (!r) {
        return std::nullopt;
    }
    const bool sameScreen = r->same_screen != 0;
    const QPoint root(r->root_x, r->root_y);
    free(r);
    if (!sameScreen || layout.isEmpty()) {
        return std::nullopt;
    }
    return layout.pointToDesktop(root);
}

} // namespace mebo::platform::x11
