#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>

namespace mebo::platform {

// A continuous stream of frames of one screen rectangle (a scroll capture's smooth source).
// Frames are complete pictures; they arrive on the stream's own thread.
class FrameStream {
public:
    using FrameHandler = std::function<void(QImage frame)>;      // the stream's thread
    using StopHandler = std::function<void(QString reason)>;     // the stream's thread, at most once
    using Started = std::function<void(bool ok, QString error)>; // main thread, exactly once

    virtual ~FrameStream() = default;

    // Starts streaming `rect` (desktop space: points, bottom-left origin of the primary display)
    // of display `displayId` at about `fps` frames per second, `excludedWindows` left out where
    // the platform can do that (X11 cannot: windows of ours are kept outside the rectangle).
    // `threadName` names the thread frames arrive on.
    virtual void start(uint32_t displayId, const QRect& rect, const QList<uint32_t>& excludedWindows,
                       double fps, const QString& threadName, FrameHandler onFrame, StopHandler onStopped,
                       Started started) = 0;
    // Stops and waits for the stream's thread: no handler runs after it returns. False with
    // `error` when the stream could not be stopped cleanly. Any number of times.
    virtual bool stop(QString* error) = 0;
};

} // namespace mebo::platform
