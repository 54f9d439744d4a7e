#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace mebo::platform {

// One frame of a screen stream. `image` is RGB32 (BGRA in memory), owned by the stream and valid
// only during the callback; the receiver may draw into it before it is encoded.
struct ScreenFrame {
    QImage* image = nullptr;
    int64_t ptsNs = 0;              // monotonic clock at the moment the picture was taken
    int64_t durationNs = 0;         // 0 when unknown
    std::optional<int> frameStatus; // 0 complete; nothing when the source does not say
    bool repeated = false;          // the screen did not change since the previous frame
    bool last = false;              // the stream's closing frame (see ScreenFrameStream::stop)
    // Set by the receiver: the pixels of `image` it drew over (a stream that keeps its image
    // between frames reads them from the screen again).
    QRect drawnOver;
};

struct ScreenStreamConfig {
    QRect sourceRect; // native pixels (X11 root coordinates) of what is recorded
    QSize outputSize; // even; the source is scaled to it when it differs
    int fps = 15;     // frames per second at most
    bool showCursor = true;
    // A frame is repeated at least this often on a screen that does not change, so players and
    // the crash-safe fragments keep advancing.
    int64_t idleRepeatNs = 1'000'000'000;
};

// A running stream; stopping joins its thread: no callback runs after stop() returned.
class ScreenFrameStream {
public:
    virtual ~ScreenFrameStream() = default;
    // `finalFrameAtNs` > 0: one last frame, taken now and stamped with that time, is delivered
    // first (so a recording of a still screen lasts until its stop).
    virtual void stop(int64_t finalFrameAtNs) = 0;
};

// Streams of screen frames. Callbacks run on the stream's own capture thread, one at a time;
// `onError` reports a stream that stopped by itself (display lost).
class ScreenFrameSource {
public:
    virtual ~ScreenFrameSource() = default;
    virtual std::unique_ptr<ScreenFrameStream> start(const ScreenStreamConfig& config,
                                                     std::function<void(ScreenFrame&)> onFrame,
                                                     std::function<void(const QString&)> onError,
                                                     QString* error) = 0;
};

} // namespace mebo::platform
