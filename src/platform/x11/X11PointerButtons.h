#pragma once

#include "platform/PointerButtons.h"

#include <QString>
#include <atomic>
#include <memory>
#include <thread>

namespace mebo::platform::x11 {

class X11Connection;

// Pressed buttons from QueryPointer (shared connection); presses from XInput 2 raw button events
// on the root window, which every client receives without grabbing anything, read by a thread on
// a connection of its own ("rec.clicks"). Raw events carry no position: the receiver asks for it.
class X11PointerButtons : public PointerButtons {
public:
    explicit X11PointerButtons(std::shared_ptr<X11Connection> conn);
    ~X11PointerButtons() override;

    uint32_t pressedButtons() override;
    bool startPressMonitor(std::function<void(int button)> onPress) override;
    void stopPressMonitor() override;

    // Button mask bits from a core button mask (QueryPointer's `mask`).
    static uint32_t buttonsFromCoreMask(uint16_t mask);

private:
    void run();

    std::shared_ptr<X11Connection> conn_;
    std::shared_ptr<X11Connection> monitorConn_;
    std::function<void(int)> onPress_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int wakeFd_ = -1;
    uint8_t xinputOpcode_ = 0;
};

} // namespace mebo::platform::x11
