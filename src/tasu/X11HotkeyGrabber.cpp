#include "X11HotkeyGrabber.h"

#include <QCoreApplication>
#include <cstdlib>

namespace tasu {

namespace {

constexpr uint16_t kLockVariants[] = {0, KeySymbols::lockMask, KeySymbols::mod2Mask,
                                      KeySymbols::lockMask | KeySymbols::mod2Mask};
// Held keys repeat; one capture per press is enough.
constexpr int kRepeatIgnoreMs = 400;

} // namespace

X11HotkeyGrabber::X11HotkeyGrabber(xcb_connection_t* connection, xcb_window_t root, QObject* parent)
    : HotkeyBackend(parent), connection_(connection), root_(root) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotkeyGrabber::~X11HotkeyGrabber() {
    QCoreApplication::instance()->removeNativeEventFilter(this);
    releaseAll();
}

xcb_keycode_t X11HotkeyGrabber::keycodeOf(uint32_t keysym) const {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
        connection_, xcb_get_keyboard_mapping(connection_, xcb_keycode_t(first), uint8_t(count)), nullptr);
    if (!reply) {
        return 0;
    }
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
    const int perCode = reply->keysyms_per_keycode;
    xcb_keycode_t found = 0;
    for (int code = 0; code < count && !found; ++code) {
        for (int i = 0; i < perCode; ++i) {
            if (syms[code * perCode + i] == keysym) {
                found = xcb_keycode_t(first + code);
                break;
            }
        }
    }
    free(reply);
    return found;
}

void X11HotkeyGrabber::releaseAll() {
    for (const Grab& g : grabs_) {
        for (uint16_t lock : kLockVariants) {
            xcb_ungrab_key(connection_, g.keycode, root_, uint16_t(g.modifiers | lock));
        }
    }
    grabs_.clear();
    xcb_flush(connection_);
}

QMap<QString, QString> X11HotkeyGrabber::bind(const QMap<QString, QKeySequence>& keys) {
    releaseAll();
    QMap<QString, QString> problems;
    for (auto it = keys.begin(); it != keys.end(); ++it) {
        if (it.value().isEmpty()) {
            continue;
        }
        const auto key = KeySymbols::fromQt(it.value()[0]);
        if (!key || key->modifiers == 0) {
            problems.insert(it.key(), QStringLiteral("needs Ctrl, Alt, Shift or Super with a key"));
            continue;
        }
        const xcb_keycode_t code = keycodeOf(key->keysym);
        if (code == 0) {
            problems.insert(it.key(), QStringLiteral("this keyboard has no such key"));
            continue;
        }
        bool taken = false;
        QList<uint16_t> done;
        for (uint16_t lock : kLockVariants) {
            const uint16_t mods = uint16_t(key->modifiers | lock);
            xcb_generic_error_t* error = xcb_request_check(
                connection_, xcb_grab_key_checked(connection_, 0, root_, mods, code, XCB_GRAB_MODE_ASYNC,
                                                  XCB_GRAB_MODE_ASYNC));
            if (error) {
                taken = true;
                free(error);
                break;
            }
            done << mods;
        }
        if (taken) {
            for (uint16_t mods : done) {
                xcb_ungrab_key(connection_, code, root_, mods);
            }
            problems.insert(it.key(), QStringLiteral("taken by another program"));
            continue;
        }
        grabs_.append({it.key(), code, key->modifiers});
    }
    xcb_flush(connection_);
    return problems;
}

bool X11HotkeyGrabber::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS) {
        return false;
    }
    auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
    if (press->event != root_) {
        return false;
    }
    const uint16_t mods = press->state & KeySymbols::relevantMask;
    for (const Grab& g : grabs_) {
        if (g.keycode == press->detail && g.modifiers == mods) {
            if (g.mode == lastMode_ && !repeatGuard_.hasExpired()) {
                return true;
            }
            lastMode_ = g.mode;
            repeatGuard_ = QDeadlineTimer(kRepeatIgnoreMs);
            Q_EMIT activated(g.mode);
            return true;
        }
    }
    return false;
}

} // namespace tasu
