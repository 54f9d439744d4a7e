#include "scroll/ScrollRegionFrameStream.h"

#include "app/AppLogger.h"
#include "platform/FrameStream.h"

namespace mebo {

ScrollRegionFrameStream::ScrollRegionFrameStream(std::unique_ptr<platform::FrameStream> stream)
    : stream_(std::move(stream)), alive_(std::make_shared<bool>(true)) {}

ScrollRegionFrameStream::~ScrollRegionFrameStream() {
    *alive_ = false;
    if (stream_) {
        QString error;
        stream_->stop(&error);
    }
}

void ScrollRegionFrameStream::start(uint32_t displayId, const QRect& rect,
                                    const QList<uint32_t>& excludedWindows, std::function<void(bool)> done) {
    if (!stream_) {
        logWarning(QStringLiteral("[ScrollSession] 啟動 SCStream 順滑取幀失敗: ") +
                   QStringLiteral("no frame stream on this desktop"));
        done(false);
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    stream_->start(
        displayId, rect, excludedWindows, framesPerSecond, QStringLiteral("app.mebo.scrollcapture.stream"),
        [this](QImage frame) { received(std::move(frame)); }, [this](QString reason) { stopped(reason); },
        [alive, done = std::move(done)](bool ok, QString error) {
            if (alive.expired()) {
                return;
            }
            if (!ok) {
                logWarning(QStringLiteral("[ScrollSession] 啟動 SCStream 順滑取幀失敗: ") + error);
            }
            done(ok);
        });
}

void ScrollRegionFrameStream::received(QImage frame) {
    if (frame.isNull()) {
        return;
    }
    std::lock_guard lock(lock_);
    const qint64 sequence = latestFrame_ ? latestFrame_->sequence + 1 : 1;
    latestFrame_ = ScrollStreamFrame{std::move(frame), sequence};
}

void ScrollRegionFrameStream::stopped(const QString& reason) {
    logWarning(QStringLiteral("[ScrollSession] SCStream 順滑取幀停止: ") + reason);
    std::lock_guard lock(lock_);
    hasStopped_ = true;
}

std::optional<ScrollStreamFrame> ScrollRegionFrameStream::newestAfter(qint64 sequence) const {
    std::lock_guard lock(lock_);
    if (latestFrame_ && latestFrame_->sequence > sequence) {
        return latestFrame_;
    }
    return std::nullopt;
}

bool ScrollRegionFrameStream::hasStopped() const {
    std::lock_guard lock(lock_);
    return hasStopped_;
}

void ScrollRegionFrameStream::stop() {
    if (!stream_) {
        return;
    }
    QString error;
    if (!stream_->stop(&error)) {
        logWarning(QStringLiteral("[ScrollSession] 停止 SCStream 順滑取幀失敗: ") + error);
    }
}

} // namespace mebo
