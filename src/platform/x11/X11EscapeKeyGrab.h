#pragma once

#include "platform/KeyGrab.h"

#include <QString>
#include <atomic>
#include <mutex>
#include <thread>

typedef struct xcb_connection_t xcb_connection_t;

namespace mebo::platform::x11 {

// Escape for the whole desktop while a scroll capture runs: a passive grab of the Escape key on
// the root window (with and without Caps Lock and Num Lock), on a connection of its own whose
// events a thread of its own waits for. Other keys still reach the focused window.
class X11EscapeKeyGrab : public EscapeKeyGrab {
public:
    // `displayName` empty: $DISPLAY.
    explicit X11EscapeKeyGrab(QString displayName = {});
    ~X11EscapeKeyGrab() override;

    bool start(std::function<void()> pressed) override;
    void stop() override;

private:
    void run(std::function<void()> pressed);

    QString displayName_;
    std::mutex mutex_; // guards the members below (start and stop)
    xcb_connection_t* conn_ = nullptr;
    uint8_t keycode_ = 0;
    uint32_t root_ = 0;
    int wakeFd_ = -1;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
};

} // namespace mebo::platform::x11
