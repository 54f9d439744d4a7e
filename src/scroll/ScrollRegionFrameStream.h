#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace mebo {

namespace platform {
class FrameStream;
}

// One frame of a region stream: `sequence` is 1 for the first frame, then +1 per frame.
struct ScrollStreamFrame {
    QImage image;
    qint64 sequence = 0;
};

// The smooth frame source of a scroll capture: the platform streams the region on its thread
// ("app.mebo.scrollcapture.stream") and only the newest frame is kept, under `lock_`, for the
// session to pick up. Created and driven on the main thread.
class ScrollRegionFrameStream {
public:
    static constexpr double framesPerSecond = 30.0;

    explicit ScrollRegionFrameStream(std::unique_ptr<platform::FrameStream> stream);
    ~ScrollRegionFrameStream();

    // Starts the stream; `done(true)` once frames are on their way, `done(false)` after logging why
    // not (the session then works from screenshots). Main thread.
    void start(uint32_t displayId, const QRect& rect, const QList<uint32_t>& excludedWindows,
               std::function<void(bool running)> done);
    // The newest frame, when its sequence is greater than `sequence`. Any thread.
    std::optional<ScrollStreamFrame> newestAfter(qint64 sequence) const;
    // Whether the stream stopped by itself. Any thread.
    bool hasStopped() const;
    // Stops the stream (a failure is logged). Main thread; idempotent.
    void stop();

private:
    void received(QImage frame); // the stream's thread
    void stopped(const QString& reason);

    std::unique_ptr<platform::FrameStream> stream_;
    std::shared_ptr<bool> alive_;
    mutable std::mutex lock_; // guards latestFrame_ and hasStopped_
    std::optional<ScrollStreamFrame> latestFrame_;
    bool hasStopped_ = false;
};

} // namespace mebo
