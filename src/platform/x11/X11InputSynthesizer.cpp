#include "platform/x11/X11InputSynthesizer.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11MonitorLayout.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <xcb/xtest.h>

namespace mebo::platform::x11 {

namespace {

constexpr uint8_t kWheelUp = 4;
constexpr uint8_t kWheelDown = 5;

uint32_t cardinalProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t atom, xcb_atom_t type) {
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom, type, 0, 1), nullptr);
    uint32_t value = 0;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 4) {
        std::memcpy(&value, xcb_get_property_value(reply), 4);
    }
    std::free(reply);
    return value;
}

} // namespace

X11InputSynthesizer::X11InputSynthesizer(std::shared_ptr<X11Connection> conn)
    : conn_(conn), windows_(std::move(conn)) {}

bool X11InputSynthesizer::canPostEvents() {
    if (!hasXTest_) {
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(conn_->xcb(), &xcb_test_id);
        hasXTest_ = ext && ext->present && !conn_->hasError();
    }
    return *hasXTest_;
}

bool X11InputSynthesizer::postWheel(const QPoint& point, int notches) {
    if (!canPostEvents() || conn_->hasError()) {
        return false;
    }
    xcb_connection_t* c = conn_->xcb();
    const QRect primary = X11MonitorLayout::query(*conn_, X11MonitorLayout::Names::Skip).primaryRect();
    const QPoint root = primary.topLeft() + point;
    // The wheel goes to the window under the pointer: move it there first.
    xcb_void_cookie_t last = xcb_test_fake_input_checked(
        c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, conn_->root(), int16_t(root.x()), int16_t(root.y()), 0);
    const uint8_t button = notches > 0 ? kWheelDown : kWheelUp;
    for (int i = 0; i < std::abs(notches); ++i) {
        xcb_test_fake_input(c, XCB_BUTTON_PRESS, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        last =
            xcb_test_fake_input_checked(c, XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    xcb_generic_error_t* error = xcb_request_check(c, last);
    const bool ok = error == nullptr;
    std::free(error);
    return ok && !conn_->hasError();
}

uint32_t X11InputSynthesizer::activeWindow() const {
    return cardinalProperty(conn_->xcb(), conn_->root(), conn_->ewmh()._NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW);
}

qint64 X11InputSynthesizer::windowPid(uint32_t window) const {
    return window == 0 ? 0
                       : cardinalProperty(conn_->xcb(), window, conn_->ewmh()._NET_WM_PID, XCB_ATOM_CARDINAL);
}

bool X11InputSynthesizer::isApplicationActive(qint64 pid) {
    return pid > 0 && windowPid(activeWindow()) == pid;
}

bool X11InputSynthesizer::activateApplication(qint64 pid, const QPoint& point) {
    if (pid <= 0 || conn_->hasError()) {
        return false;
    }
    const X11MonitorLayout layout = X11MonitorLayout::query(*conn_, X11MonitorLayout::Names::Skip);
    QList<WindowInfo> all = X11WindowList::filtered(windows_.list(layout), true, true);
    // The process's window under the point first (front-most first otherwise).
    std::stable_partition(all.begin(), all.end(),
                          [&](const WindowInfo& w) { return w.frame.contains(point); });
    for (const WindowInfo& w : all) {
        if (w.pid != pid) {
            continue;
        }
        // EWMH: a client message to the root; source 2 = a pager or taskbar acting for the user,
        // which window managers honour without focus-stealing checks.
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = w.windowId;
        ev.type = conn_->ewmh()._NET_ACTIVE_WINDOW;
        ev.data.data32[0] = 2;
        ev.data.data32[1] = XCB_CURRENT_TIME;
        ev.data.data32[2] = activeWindow();
        xcb_void_cookie_t cookie =
            xcb_send_event_checked(conn_->xcb(), 0, conn_->root(),
                                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                                   reinterpret_cast<const char*>(&ev));
        xcb_generic_error_t* error = xcb_request_check(conn_->xcb(), cookie);
        const bool ok = error == nullptr;
        std::free(error);
        return ok;
    }
    return false;
}

} // namespace mebo::platform::x11
