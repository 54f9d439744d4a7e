#include "platform/x11/X11PointerButtons.h"

#include "platform/x11/X11Connection.h"

#include <cstdlib>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xinput.h>

namespace mebo::platform::x11 {

X11PointerButtons::X11PointerButtons(std::shared_ptr<X11Connection> conn) : conn_(std::move(conn)) {}

X11PointerButtons::~X11PointerButtons() {
    stopPressMonitor();
}

uint32_t X11PointerButtons::buttonsFromCoreMask(uint16_t mask) {
    uint32_t buttons = 0;
    if (mask & XCB_BUTTON_MASK_1) {
        buttons |= 1u; // left
    }
    if (mask & XCB_BUTTON_MASK_3) {
        buttons |= 2u; // right
    }
    if (mask & XCB_BUTTON_MASK_2) {
        buttons |= 4u; // middle
    }
    return buttons;
}

uint32_t X11PointerButtons::pressedButtons() {
    if (conn_->hasError()) {
        return 0;
    }
    xcb_connection_t* c = conn_->xcb();
    auto* r = xcb_query_pointer_reply(c, xcb_query_pointer(c, conn_->root()), nullptr);
    if (!r) {
        return 0;
    }
    const uint32_t buttons = buttonsFromCoreMask(r->mask);
    free(r);
    return buttons;
}

bool X11PointerButtons::startPressMonitor(std::function<void(int button)> onPress) {
    if (thread_.joinable()) {
        return false;
    }
    auto conn = X11Connection::open(conn_->displayName());
    if (!conn) {
        return false;
    }
    xcb_connection_t* c = conn.value()->xcb();
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_input_id);
    if (!ext || !ext->present) {
        return false;
    }
    // Raw events need XI 2.1 or later announced before selecting them.
    auto* version = xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr);
    if (!version) {
        return false;
    }
    const bool recent =
        version->major_version > 2 || (version->major_version == 2 && version->minor_version >= 1);
    free(version);
    if (!recent) {
        return false;
    }
    struct {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS};
    xcb_generic_error_t* err =
        xcb_request_check(c, xcb_input_xi_select_events_checked(c, conn.value()->root(), 1, &selection.head));
    if (err) {
        free(err);
        return false;
    }
    xinputOpcode_ = ext->major_opcode;
    monitorConn_ = conn.value();
    onPress_ = std::move(onPress);
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void X11PointerButtons::stopPressMonitor() {
    if (!thread_.joinable()) {
        return;
    }
    stopping_ = true;
    const uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(wakeFd_, &one, sizeof one);
    thread_.join();
    ::close(wakeFd_);
    wakeFd_ = -1;
    monitorConn_.reset();
    onPress_ = nullptr;
}

void X11PointerButtons::run() {
    pthread_setname_np(pthread_self(), "rec.clicks");
    xcb_connection_t* c = monitorConn_->xcb();
    pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    while (!stopping_.load()) {
        while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) {
            if ((ev->response_type & 0x7f) == XCB_GE_GENERIC) {
                const auto* ge = reinterpret_cast<xcb_ge_generic_event_t*>(ev);
                if (ge->extension == xinputOpcode_ && ge->event_type == XCB_INPUT_RAW_BUTTON_PRESS) {
                    const auto* raw = reinterpret_cast<xcb_input_raw_button_press_event_t*>(ev);
                    // Buttons 4 to 7 are wheel notches, not presses.
                    if (raw->detail < 4 || raw->detail > 7) {
                        onPress_(int(raw->detail));
                    }
                }
            }
            free(ev);
        }
        if (xcb_connection_has_error(c)) {
            return;
        }
        ::poll(fds, 2, 1000);
    }
}

} // namespace mebo::platform::x11
