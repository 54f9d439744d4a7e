#pragma once

#include <QPoint>
#include <cstdint>

namespace mebo::platform {

// Synthetic input for scroll captures: wheel notches at a point, and bringing an application
// forward. Main thread. Points are in window space: points with the origin at the top-left of the
// primary display.
class InputSynthesizer {
public:
    virtual ~InputSynthesizer() = default;

    // Whether synthetic events can be posted at all (X11: the XTEST extension). This is the
    // "permission" to synthesise input; it cannot be asked for.
    virtual bool canPostEvents() = 0;
    // Moves the pointer to `point` and turns the wheel `notches` notches: positive towards the
    // user (the content moves up), negative away. False when an event could not be sent.
    virtual bool postWheel(const QPoint& point, int notches) = 0;
    // Whether the active window belongs to process `pid`.
    virtual bool isApplicationActive(qint64 pid) = 0;
    // Asks the window manager to activate the front-most window of process `pid` that contains
    // `point` (input coordinates), else its front-most window: a browser has several. False when
    // it has no window or the request could not be sent.
    virtual bool activateApplication(qint64 pid, const QPoint& point) = 0;
};

} // namespace mebo::platform
