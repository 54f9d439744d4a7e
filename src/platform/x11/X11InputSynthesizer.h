#pragma once

#include "platform/InputSynthesizer.h"
#include "platform/x11/X11WindowList.h"

#include <memory>
#include <optional>

namespace mebo::platform::x11 {

class X11Connection;

// Synthetic wheel input through XTest (buttons 4 and 5 are the wheel), and application
// activation through the window manager's _NET_ACTIVE_WINDOW. Main thread.
class X11InputSynthesizer : public InputSynthesizer {
public:
    explicit X11InputSynthesizer(std::shared_ptr<X11Connection> conn);

    bool canPostEvents() override;
    bool postWheel(const QPoint& point, int notches) override;
    bool isApplicationActive(qint64 pid) override;
    bool activateApplication(qint64 pid, const QPoint& point) override;

private:
    uint32_t activeWindow() const;
    qint64 windowPid(uint32_t window) const;

    std::shared_ptr<X11Connection> conn_;
    X11WindowList windows_;
    std::optional<bool> hasXTest_;
};

} // namespace mebo::platform::x11
