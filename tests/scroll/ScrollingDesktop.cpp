#include "ScrollingDesktop.h"

#include "app/MainThread.h"

#include <chrono>

namespace mebo::test {

namespace {

class DesktopStream : public platform::FrameStream {
public:
    explicit DesktopStream(ScrollingDesktop& desktop) : desktop_(desktop) {}
    ~DesktopStream() override {
        QString e;
        stop(&e);
    }
    void start(uint32_t, const QRect&, const QList<uint32_t>&, double fps, const QString&,
               FrameHandler onFrame, StopHandler, Started started) override {
        stopping_ = false;
        thread_ = std::thread([this, fps, onFrame] {
            while (!stopping_) {
                onFrame(desktop_.screen());
                std::this_thread::sleep_for(std::chrono::milliseconds(int(1000 / fps)));
            }
        });
        runOnMain([started] { started(true, QString()); });
    }
    bool stop(QString*) override {
        stopping_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        return true;
    }

private:
    ScrollingDesktop& desktop_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace

ScrollingDesktop::ScrollingDesktop(QImage page, QSize size, int pixelsPerNotch)
    : page_(std::move(page)), size_(size), pixelsPerNotch_(pixelsPerNotch) {}

QList<platform::DisplayInfo> ScrollingDesktop::displays() {
    platform::DisplayInfo d;
    d.displayId = displayId;
    d.frame = QRect(QPoint(0, 0), size_);
    d.nativeFrame = d.frame;
    d.primary = true;
    return {d};
}

void ScrollingDesktop::shareableContent(const platform::ContentQuery&,
                                        Completion<platform::ShareableContent> done) {
    platform::ShareableContent c{displays(), {}};
    runOnMain([done, c] { done(Result<platform::ShareableContent>::ok(c)); });
}

void ScrollingDesktop::captureDisplay(uint32_t, QSize, bool, Completion<QImage> done) {
    if (failCaptures > 0) {
        --failCaptures;
        runOnMain([done] { done(Result<QImage>::fail(QStringLiteral("the grab failed"))); });
        return;
    }
    QImage shot;
    {
        std::lock_guard lock(mutex_);
        grabbed_ = true;
        const int now = shownLocked();
        const int shown = lagFrom_ >= 0 ? lagFrom_ + (now - lagFrom_) / 4 : now;
        lagFrom_ = -1;
        shot = viewAt(shown);
    }
    runOnMain([done, shot] { done(Result<QImage>::ok(shot)); });
}

QImage ScrollingDesktop::screen() {
    std::lock_guard lock(mutex_);
    return viewAt(shownLocked());
}

int ScrollingDesktop::shownLocked() {
    const auto now = std::chrono::steady_clock::now();
    while (!pending_.empty() && pending_.front().first <= now) {
        offset_ = std::clamp(offset_ + pending_.front().second, 0, lastOffset());
        pending_.erase(pending_.begin());
    }
    return offset_;
}

int ScrollingDesktop::lastOffset() const {
    return page_.height() - size_.height();
}

QImage ScrollingDesktop::viewAt(int offset) const {
    return page_.copy(0, offset, size_.width(), size_.height());
}

int ScrollingDesktop::offset() {
    std::lock_guard lock(mutex_);
    return shownLocked();
}

bool ScrollingDesktop::postWheel(const QPoint& point, int notches) {
    ++wheelEvents;
    wheelPoints << point;
    {
        std::lock_guard lock(mutex_);
        if (grabbed_) {
            grabbed_ = false;
            if (++scrolls_ == lagScroll) {
                lagFrom_ = offset_;
            }
            offset_ = std::clamp(offset_ + std::exchange(held_, 0), 0, lastOffset());
        }
        if (scrolls_ == stallScroll) {
            held_ += notches * pixelsPerNotch_;
        } else if (reactionMs > 0) {
            pending_.emplace_back(std::chrono::steady_clock::now() + std::chrono::milliseconds(reactionMs),
                                  notches * pixelsPerNotch_);
        } else {
            offset_ = std::clamp(offset_ + notches * pixelsPerNotch_, 0, lastOffset());
        }
    }
    if (onWheel) {
        onWheel();
    }
    return true;
}

bool ScrollingDesktop::activateApplication(qint64 pid, const QPoint&) {
    activations << pid;
    activePid = pid;
    return true;
}

std::unique_ptr<platform::FrameStream> ScrollingDesktop::makeStream() {
    return std::make_unique<DesktopStream>(*this);
}

} // namespace mebo::test
