#pragma once

#include "platform/FrameStream.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace mebo::platform::x11 {

class X11Connection;

// A region stream on X11: a thread of its own grabs the rectangle with its own MIT-SHM grabber at
// the frame interval and hands every grab to the frame handler as a fresh image (frames on X11
// are always complete). Windows cannot be left out of a root grab; callers keep theirs outside
// the rectangle. A failed grab stops the stream with its reason.
class X11FrameStream : public FrameStream {
public:
    explicit X11FrameStream(std::shared_ptr<X11Connection> conn);
    ~X11FrameStream() override;

    void start(uint32_t displayId, const QRect& rect, const QList<uint32_t>& excludedWindows, double fps,
               const QString& threadName, FrameHandler onFrame, StopHandler onStopped,
               Started started) override;
    bool stop(QString* error) override;

private:
    void run(QRect rootRect, double fps, QString threadName, FrameHandler onFrame, StopHandler onStopped);

    std::shared_ptr<X11Connection> conn_;
    std::mutex mutex_; // guards thread_ (start and stop)
    std::thread thread_;
    std::atomic<bool> stopping_{false};
};

} // namespace mebo::platform::x11
