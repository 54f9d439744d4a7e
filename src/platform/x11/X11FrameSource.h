#pragma once

#include "platform/ScreenFrameSource.h"

#include <QString>
#include <memory>

namespace mebo::platform::x11 {

class X11Connection;

// Screen streams over X11. Each stream has its own connection and capture thread: it watches the
// X Damage extension and grabs (MIT-SHM) when the recorded rectangle changed, the pointer moved
// over it, or the idle repeat is due, at most at the configured rate (a small burst allowance
// keeps a video that plays at the recording's rate from losing frames to timer jitter). The
// pointer is drawn in from XFixes. Without Damage it grabs at the frame rate.
class X11FrameSource : public ScreenFrameSource {
public:
    // `displayName` empty: $DISPLAY.
    explicit X11FrameSource(QString displayName = {});
    std::unique_ptr<ScreenFrameStream> start(const ScreenStreamConfig& config,
                                             std::function<void(ScreenFrame&)> onFrame,
                                             std::function<void(const QString&)> onError,
                                             QString* error) override;

private:
    QString displayName_;
};

} // namespace mebo::platform::x11
