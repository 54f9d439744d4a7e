#include "platform/x11/X11EscapeKeyGrab.h"

#include "app/MainThread.h"

#include <cstdlib>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace mebo::platform::x11 {

namespace {

constexpr uint32_t kEscapeKeysym = 0xff1b;
// No modifier, Caps Lock, Num Lock (Mod2 on nearly every keyboard map), both.
constexpr uint16_t kModifierSets[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                      XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

uint8_t escapeKeycode(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const uint8_t first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* map =
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, first, uint8_t(count)), nullptr);
    if (!map) {
        return 0;
    }
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    const int per = map->keysyms_per_keycode;
    uint8_t found = 0;
    for (int k = 0; k < count && !found; ++k) {
        for (int i = 0; i < per; ++i) {
            if (syms[k * per + i] == kEscapeKeysym) {
                found = uint8_t(first + k);
                break;
            }
        }
    }
    std::free(map);
    return found;
}

} // namespace

X11EscapeKeyGrab::X11EscapeKeyGrab(QString displayName) : displayName_(std::move(displayName)) {}

X11EscapeKeyGrab::~X11EscapeKeyGrab() {
    stop();
}

bool X11EscapeKeyGrab::start(std::function<void()> pressed) {
    stop();
    std::lock_guard lock(mutex_);
    const QByteArray name = displayName_.toLocal8Bit();
    conn_ = xcb_connect(name.isEmpty() ? nullptr : name.constData(), nullptr);
    if (xcb_connection_has_error(conn_)) {
        xcb_disconnect(conn_);
        conn_ = nullptr;
        return false;
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
    keycode_ = escapeKeycode(conn_);
    bool grabbed = keycode_ != 0;
    for (uint16_t mods : kModifierSets) {
        if (!grabbed) {
            break;
        }
        xcb_generic_error_t* e =
            xcb_request_check(conn_, xcb_grab_key_checked(conn_, 1, root_, mods, keycode_,
                                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        grabbed = e == nullptr;
        std::free(e);
    }
    if (!grabbed) {
        xcb_disconnect(conn_);
        conn_ = nullptr;
        return false;
    }
    wakeFd_ = eventfd(0, EFD_CLOEXEC);
    stopping_ = false;
    thread_ = std::thread(&X11EscapeKeyGrab::run, this, std::move(pressed));
    return true;
}

void X11EscapeKeyGrab::run(std::function<void()> pressed) {
    const int fd = xcb_get_file_descriptor(conn_);
    while (!stopping_) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            return;
        }
        while (xcb_generic_event_t* ev = xcb_poll_for_event(conn_)) {
            const bool escape = (ev->response_type & 0x7f) == XCB_KEY_PRESS &&
                                reinterpret_cast<xcb_key_press_event_t*>(ev)->detail == keycode_;
            std::free(ev);
            if (escape && !stopping_) {
                runOnMain(pressed);
            }
        }
        if (xcb_connection_has_error(conn_)) {
            return;
        }
    }
}

void X11EscapeKeyGrab::stop() {
    std::lock_guard lock(mutex_);
    if (!conn_) {
        return;
    }
    stopping_ = true;
    const uint64_t one = 1;
    (void)!write(wakeFd_, &one, sizeof(one));
    if (thread_.joinable()) {
        thread_.join();
    }
    // Closing the connection releases its grabs.
    xcb_disconnect(conn_);
    conn_ = nullptr;
    close(wakeFd_);
    wakeFd_ = -1;
}

} // namespace mebo::platform::x11
