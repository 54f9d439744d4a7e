#include "scroll/ScrollSession.h"

#include "app/AppLogger.h"
#include "app/BackgroundTask.h"
#include "app/MainThread.h"
#include "capture/CaptureScale.h"
#include "capture/ScreenCaptureSvc.h"
#include "platform/FrameStream.h"
#include "platform/InputSynthesizer.h"
#include "scroll/ScrollAlignment.h"
#include "scroll/ScrollRegionFrameStream.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace mebo {

ScrollSession::ScrollSession(Services services, uint32_t displayId, const QRect& rect,
                             std::function<QList<uint32_t>()> excludedWindowIDs,
                             std::optional<AccessibilityScrollTarget> accessibilityTarget,
                             std::optional<qint64> targetPid, Completion completion, QObject* parent)
    : QObject(parent), services_(std::move(services)), displayId_(displayId), rect_(rect),
      excludedWindowIDs_(std::move(excludedWindowIDs)), completion_(std::move(completion)),
      accessibilityTarget_(std::move(accessibilityTarget)), targetPid_(targetPid),
      alive_(std::make_shared<bool>(true)), framesDir_(qEnvironmentVariable("MEBO_SCROLL_FRAMES_DIR")) {}

ScrollSession::~ScrollSession() {
    *alive_ = false;
    if (stream_) {
        stream_->stop();
    }
}

void ScrollSession::start() {
    QTimer::singleShot(timing_.startDelayMs, this, [this] { begin(); });
}

void ScrollSession::begin() {
    if (isCancelled_) {
        finishWithoutResult();
        return;
    }
    stream_ =
        std::make_unique<ScrollRegionFrameStream>(services_.makeStream ? services_.makeStream() : nullptr);
    const QList<uint32_t> excluded = excludedWindowIDs_ ? excludedWindowIDs_() : QList<uint32_t>{};
    QPointer<ScrollSession> self(this);
    stream_->start(displayId_, rect_, excluded, [self](bool running) {
        if (!self || self->finished_) {
            return;
        }
        self->streamRunning_ = running;
        if (running) {
            logInfo(QStringLiteral("[ScrollSession] 使用 SCStream 順滑取幀"));
        } else {
            logWarning(QStringLiteral("[ScrollSession] SCStream 順滑取幀不可用, 回退到逐幀截屏"));
        }
        self->acquire();
    });
}

void ScrollSession::acquire() {
    if (isCancelled_) {
        finishWithoutResult();
        return;
    }
    if (streamRunning_ && !stream_->hasStopped()) {
        pollClock_.start();
        candidate_.reset();
        candidateMatches_ = 0;
        poll();
    } else {
        screenshot();
    }
}

void ScrollSession::poll() {
    if (isCancelled_) {
        finishWithoutResult();
        return;
    }
    if (auto frame = stream_->newestAfter(lastStreamSequence_)) {
        lastStreamSequence_ = frame->sequence;
        // A busy application starts a scroll late: until the picture leaves the reference frame,
        // a frame that shows it is not a result (it would count as "no new content", and the
        // next scroll would add to this one and leave a gap between the frames).
        if (awaitingMotion_ &&
            !(lastFrame_ && scrollalign::framesLookSame(lastFrame_->image, frame->image))) {
            awaitingMotion_ = false;
            slowestReactionMs_ = std::max(slowestReactionMs_, int(scrolledClock_.elapsed()));
            pollClock_.start(); // the settling below gets its own time
        }
        // A page may still be painting or moving after the scroll (smooth scrolling, software-
        // rendered browsers fill their tiles in afterwards): a frame is taken once the next ones
        // show the same picture. Two matching frames in a row: a busy renderer can show the same
        // in-between picture for one frame interval, seldom for two.
        if (!awaitingMotion_ && candidate_ && scrollalign::framesLookSame(*candidate_, frame->image)) {
            if (++candidateMatches_ >= 2) {
                candidate_.reset();
                process(std::move(frame->image));
                return;
            }
        } else {
            candidateMatches_ = 0;
        }
        candidate_ = std::move(frame->image);
    }
    const bool expired = awaitingMotion_ ? scrolledClock_.elapsed() >= motionWaitMs()
                                         : pollClock_.elapsed() >= timing_.pollLimitMs;
    if (expired || stream_->hasStopped()) {
        awaitingMotion_ = false;
        if (candidate_) {
            process(*std::exchange(candidate_, std::nullopt));
        } else {
            screenshot();
        }
        return;
    }
    QTimer::singleShot(timing_.pollMs, this, [this] { poll(); });
}

void ScrollSession::screenshot() {
    QPointer<ScrollSession> self(this);
    services_.screenshots.captureArea(displayId_, rect_, [self](std::optional<QImage> image) {
        if (!self || self->finished_) {
            return;
        }
        if (!image || image->isNull()) {
            CaptureProcessingResult failed;
            failed.outcome = CaptureOutcome::failed;
            failed.stitchedImage = std::move(self->stitchedImage_);
            failed.lastFrame = std::move(self->lastFrame_);
            self->apply(std::move(failed));
            return;
        }
        self->process(std::move(*image));
    });
}

void ScrollSession::process(QImage frame) {
    struct Inputs {
        QImage frame;
        std::optional<StitchedImage> stitched;
        std::optional<ScrollFrame> last;
        int lastAppendRows = 0;
        int expectedRows = 0;
        bool strong = false;
    };
    auto in = std::make_shared<Inputs>();
    const int hint = expectedShift();
    in->expectedRows = hint == 0 ? int(0.6 * frame.height()) : 0;
    if (!framesDir_.isEmpty()) {
        // Every frame as it came, for looking into a capture that went wrong.
        frame.save(
            QStringLiteral("%1/frame-%2.png").arg(framesDir_).arg(++framesSaved_, 3, 10, QLatin1Char('0')));
    }
    in->frame = std::move(frame);
    // The stitched image and the reference frame travel with the task and come back with its
    // result: nothing of them is shared with the main thread while it runs.
    in->stitched = std::exchange(stitchedImage_, std::nullopt);
    in->last = std::exchange(lastFrame_, std::nullopt);
    in->lastAppendRows = hint;
    in->strong = strong_;
    processing_ = true;
    std::weak_ptr<bool> alive = alive_;
    QPointer<ScrollSession> self(this);
    const int trimLimit = topTrim_ < 0 ? topTrimLimit_ : 0;
    startUserInitiatedTask([in, alive, self, trimLimit] {
        const QImage before = in->last ? in->last->image : QImage();
        auto result = std::make_shared<CaptureProcessingResult>(
            ScrollStitcher::process(ScrollFrame::of(in->frame), std::move(in->stitched), std::move(in->last),
                                    in->lastAppendRows, in->expectedRows, in->strong, maxOutputBytes));
        // The first step that moved tells the window's fixed top rows from its content.
        int trim = -1;
        if (trimLimit > 0 && result->outcome == CaptureOutcome::appended && result->appendRows &&
            result->lastFrame && !before.isNull()) {
            trim = ScrollStitcher::staticTopRows(before, result->lastFrame->image, *result->appendRows,
                                                 trimLimit);
        }
        runOnMain([alive, self, result, trim] {
            if (!alive.expired() && self) {
                if (trim >= 0 && self->topTrim_ < 0) {
                    self->topTrim_ = trim;
                }
                self->apply(std::move(*result));
            }
        });
    });
}

void ScrollSession::apply(CaptureProcessingResult result) {
    processing_ = false;
    if (finished_) {
        return;
    }
    if (isCancelled_) {
        finishWithoutResult();
        return;
    }
    stitchedImage_ = std::move(result.stitchedImage);
    lastFrame_ = std::move(result.lastFrame);
    if (result.appendRows) {
        lastAppendRows_ = *result.appendRows;
    }

    const double regionPixels = lastFrame_ ? lastFrame_->image.height() : rect_.height();
    if (rechecks_ > 0 && result.outcome == CaptureOutcome::duplicate) {
        // The step had ended after all (a page end, a short list): nothing more to count, and
        // nothing more to come.
        rechecks_ = 0;
        rowsAhead_ = 0;
        notchesAhead_ = 0;
        finishStep();
        return;
    }
    bool movedTooLittle = false;
    if (result.outcome == CaptureOutcome::appended) {
        ++frameCount_;
        logInfo(QStringLiteral("[ScrollSession] 抓了第 %1 幀").arg(frameCount_));
        stepRows_ += result.appendRows.value_or(0);
        // Far less than the notches scroll: a smooth-scrolling application may still be moving
        // (a busy renderer can paint the same in-between picture twice). The next scroll would
        // add to the rest of this one and could leave a gap, so look again first.
        movedTooLittle = stepNotches_ > 0 && rechecks_ < kMaxRechecks &&
                         stepRows_ < 0.5 * stepNotches_ * notches_.pixelsPerNotch();
        // The new reference frame is as far as the content got: a step caught in its animation
        // has the rest of its notches' distance still to come, a finished one nothing.
        rowsAhead_ = movedTooLittle ? std::max(0.0, rowsAhead_ - result.appendRows.value_or(0)) : 0.0;
        notchesAhead_ =
            movedTooLittle
                ? std::max(0, notchesAhead_ -
                                  int(std::lround(result.appendRows.value_or(0) / notches_.pixelsPerNotch())))
                : 0;
    }
    if (result.outcome == CaptureOutcome::noMatch && !retried_) {
        // The frame may have caught the page mid-paint or mid-layout: look again before the
        // next scroll moves the content further away from the reference frame.
        retried_ = true;
        settled();
        return;
    }
    if (result.outcome == CaptureOutcome::noMatch && stepNotches_ > 1) {
        notches_.overshot(regionPixels);
    }
    retried_ = false;
    if (evaluate(result.outcome)) {
        return;
    }
    // A strong step on from here would leave the reference frame further behind: a step that did
    // not show in time (counted as a duplicate) and the next one together can pass a whole frame,
    // and no later frame would overlap the image again.
    scrollBack_ = result.outcome == CaptureOutcome::noMatch && notchesAhead_ >= 2;
    if (movedTooLittle) {
        ++rechecks_;
        settled();
        return;
    }
    finishStep();
}

int ScrollSession::expectedShift() const {
    // Once the notch size is known, the notches posted since the reference frame say how far the
    // content went: the last step's rows would mislead after a step of another number of notches
    // (the first measure changes the count, strong steps are longer, a step that did not align
    // or did not show adds its notches to the next one's).
    if (notches_.samples() > 0 && rowsAhead_ >= 1) {
        return int(std::lround(rowsAhead_));
    }
    return lastAppendRows_;
}

void ScrollSession::finishStep() {
    if (stepRows_ > 0) {
        notches_.learn(stepNotches_, stepRows_);
        lastAppendRows_ = stepRows_; // the next step's hint: what the whole step moved
    }
    rechecks_ = 0;
    stepRows_ = 0;
    stepNotches_ = 0;
    scrollStep();
}

bool ScrollSession::evaluate(CaptureOutcome outcome) {
    switch (outcome) {
    case CaptureOutcome::appended:
        duplicates_ = 0;
        noMatches_ = 0;
        previousFailed_ = false;
        break;
    case CaptureOutcome::duplicate:
        if (++duplicates_ > 2) {
            logInfo(QStringLiteral("[ScrollSession] 自動滾動在第 %1 步後無新內容, 結束").arg(steps_ + 1));
            finishWithImage();
            return true;
        }
        noMatches_ = 0;
        previousFailed_ = false;
        break;
    case CaptureOutcome::noMatch:
        ++noMatches_;
        logWarning(QStringLiteral("[ScrollSession] 對齊失敗 #%1/%2, 下一輪 strongWheel 重試")
                       .arg(noMatches_)
                       .arg(maxNoMatchTolerance));
        if (noMatches_ >= maxNoMatchTolerance) {
            logWarning(QStringLiteral("[ScrollSession] 連續 %1 次對齊失敗, 拼接圖殘缺, 整 session 失敗")
                           .arg(noMatches_));
            finishWithoutResult();
            return true;
        }
        duplicates_ = 0;
        previousFailed_ = false;
        break;
    case CaptureOutcome::failed:
        if (previousFailed_) {
            logWarning(QStringLiteral("[ScrollSession] 連續截屏失敗, 放棄不完整結果"));
            finishWithoutResult();
            return true;
        }
        previousFailed_ = true;
        duplicates_ = 0;
        noMatches_ = 0;
        break;
    case CaptureOutcome::limitExceeded:
        logWarning(QStringLiteral("[ScrollSession] 自動滾動輸出超過記憶體保護上限, 回傳已拼接部分"));
        finishWithImage();
        return true;
    }
    if (++steps_ >= maxAutoScrollSteps) {
        logWarning(QStringLiteral("[ScrollSession] 自動滾動達到 %1 步保護上限, 回傳已拼接部分")
                       .arg(maxAutoScrollSteps));
        finishWithImage();
        return true;
    }
    if (isCancelled_) {
        finishWithoutResult();
        return true;
    }
    strong_ = duplicates_ >= 1 || noMatches_ > 0;
    return false;
}

void ScrollSession::scrollStep() {
    QPointer<ScrollSession> self(this);
    if (std::exchange(scrollBack_, false)) {
        scrollBack([self](bool ok) {
            if (self && !self->finished_) {
                ok ? self->scrolled() : self->finishWithoutResult();
            }
        });
        return;
    }
    smoothScroll([self](bool ok) {
        if (!self || self->finished_) {
            return;
        }
        if (ok) {
            self->scrolled();
            return;
        }
        if (self->isCancelled_) {
            // Cancelled between two pulses: nothing more is posted.
            self->finishWithoutResult();
            return;
        }
        self->fallbackScroll([self](bool fallbackOk) {
            if (!self || self->finished_) {
                return;
            }
            if (fallbackOk) {
                self->scrolled();
            } else {
                self->finishWithoutResult();
            }
        });
    });
}

void ScrollSession::scrolled() {
    awaitingMotion_ = streamRunning_;
    scrolledClock_.start();
    settled();
}

int ScrollSession::motionWaitMs() const {
    // Twice the slowest start seen in this session, within the settle wait plus the poll limit;
    // before the first measure the whole of it.
    const int most = timing_.scrollSettleDelayMs + timing_.pollLimitMs;
    if (slowestReactionMs_ < 0) {
        return most;
    }
    return std::clamp(2 * slowestReactionMs_ + timing_.pollMs, std::min(most, minMotionWaitMs), most);
}

void ScrollSession::settled() {
    QTimer::singleShot(timing_.scrollSettleDelayMs, this, [this] { acquire(); });
}

QPoint ScrollSession::eventLocation() const {
    // Desktop space to the top-left origin of input events.
    int primaryHeight = 0;
    const auto displays = services_.screenshots.displays();
    for (const auto& d : displays) {
        if (d.primary) {
            primaryHeight = d.frame.height();
        }
    }
    if (primaryHeight == 0 && !displays.isEmpty()) {
        primaryHeight = displays.first().frame.height();
    }
    const int cx = rect_.x() + rect_.width() / 2;
    const int cy = rect_.y() + rect_.height() / 2;
    return QPoint(cx, primaryHeight - cy);
}

void ScrollSession::prepareScroll(bool fallback, std::function<void(bool)> then) {
    if (!services_.input.canPostEvents()) {
        logWarning(fallback ? QStringLiteral("[ScrollSession] 缺少事件合成權限, 無法回退到滾輪滾動")
                            : QStringLiteral("[ScrollSession] 缺少事件合成權限, 無法發送順滑滾輪"));
        then(false);
        return;
    }
    // Bringing the target application forward.
    if (targetPid_ && *targetPid_ != QCoreApplication::applicationPid() &&
        (!services_.input.isApplicationActive(*targetPid_) || !didActivateTargetApp_)) {
        didActivateTargetApp_ = true;
        if (services_.input.activateApplication(*targetPid_, eventLocation())) {
            QTimer::singleShot(timing_.activationMs, this, [then = std::move(then)] { then(true); });
            return;
        }
    }
    then(true);
}

void ScrollSession::smoothScroll(std::function<void(bool)> done) {
    QPointer<ScrollSession> self(this);
    prepareScroll(false, [self, done = std::move(done)](bool ok) {
        if (!self || !ok) {
            done(false);
            return;
        }
        if (self->accessibilityTarget_ && self->services_.focusTarget) {
            self->services_.focusTarget(*self->accessibilityTarget_);
        }
        const QPoint at = self->eventLocation();
        if (self->isCancelled_) {
            done(false);
            return;
        }
        const bool strong = self->strong_;
        const double h = self->rect_.height();
        const double d =
            std::clamp(h * (strong ? 0.74 : 0.6), strong ? 260.0 : 220.0, strong ? 1250.0 : 1000.0);
        const int scale =
            ScreenCaptureSvc::displayScale(self->services_.screenshots.displays(), self->displayId_);
        const int total = self->notches_.notchesFor(d * scale, h * scale);
        self->pulse(0, WheelNotches::spread(total, pulseWeights), at, done);
    });
}

void ScrollSession::pulse(int index, std::array<int, 10> notches, QPoint at, std::function<void(bool)> done) {
    if (isCancelled_) {
        done(false);
        return;
    }
    const int n = notches[size_t(index)];
    const bool last = index + 1 == int(notches.size());
    if (n <= 0) {
        // Whole notches leave some pulses empty: no event, so no pause after it either (a step
        // of five notches spends 60 ms on its pulses instead of 120).
        if (last) {
            done(true);
        } else {
            pulse(index + 1, notches, at, std::move(done));
        }
        return;
    }
    if (!services_.input.postWheel(at, n)) {
        done(false);
        return;
    }
    posted(n);
    QTimer::singleShot(timing_.pulseMs, this, [this, last, index, notches, at, done = std::move(done)] {
        if (last) {
            done(true);
        } else {
            pulse(index + 1, notches, at, done);
        }
    });
}

void ScrollSession::fallbackScroll(std::function<void(bool)> done) {
    QPointer<ScrollSession> self(this);
    prepareScroll(true, [self, done = std::move(done)](bool ok) {
        if (!self || !ok) {
            done(false);
            return;
        }
        const bool strong = self->strong_;
        const double h = self->rect_.height();
        double d = (strong ? 0.78 : 0.64) * h;
        d = d <= 180 ? 180 : std::min(d, strong ? 1300.0 : 1100.0);
        const int scale =
            ScreenCaptureSvc::displayScale(self->services_.screenshots.displays(), self->displayId_);
        const int n = self->notches_.notchesFor(d * scale, h * scale);
        const bool sent = self->services_.input.postWheel(self->eventLocation(), n);
        if (sent) {
            self->posted(n);
        }
        done(sent);
    });
}

void ScrollSession::posted(int notches) {
    stepNotches_ += notches;
    notchesPosted_ += notches;
    notchesAhead_ += notches;
    rowsAhead_ += notches * notches_.pixelsPerNotch();
}

void ScrollSession::scrollBack(std::function<void(bool)> done) {
    QPointer<ScrollSession> self(this);
    prepareScroll(false, [self, done = std::move(done)](bool ok) {
        if (!self || !ok || self->isCancelled_) {
            done(false);
            return;
        }
        const int back = self->notchesAhead_ - 1;
        logInfo(
            QStringLiteral("[ScrollSession] %1 notches past the last frame that aligned: scrolling back %2")
                .arg(self->notchesAhead_)
                .arg(back));
        if (!self->services_.input.postWheel(self->eventLocation(), -back)) {
            done(false);
            return;
        }
        self->notchesPosted_ += back;
        self->notchesAhead_ = 1;
        // The next frame is expected a notch past the reference frame, but the notch is not
        // learnt from it: a smooth-scrolling application may still be on its way back.
        self->stepNotches_ = 0;
        self->rowsAhead_ = self->notches_.pixelsPerNotch();
        done(true);
    });
}

void ScrollSession::finishWithImage() {
    if (stream_) {
        stream_->stop();
    }
    if (stitchedImage_ && !stitchedImage_->isNull()) {
        logInfo(QStringLiteral("[ScrollSession] 完成增量拼接 %1 幀").arg(frameCount_));
        QImage image = stitchedImage_->compose();
        if (topTrimLimit_ > 0) {
            const int rows = topTrim_ >= 0 ? topTrim_ : topTrimFallback_;
            if (rows > 0 && rows < image.height()) {
                logInfo(QStringLiteral("[ScrollSession] the window's top %1 rows did not scroll: left out")
                            .arg(rows));
                image = image.copy(0, rows, image.width(), image.height() - rows);
            }
        }
        CaptureScale::tag(image,
                          ScreenCaptureSvc::displayScale(services_.screenshots.displays(), displayId_));
        logSuccess(QStringLiteral("✅ [ScrollSession] 拼接完成 %1×%2").arg(image.width()).arg(image.height()));
        complete(CaptureResult{std::move(image), CaptureMode::scroll, QDateTime::currentDateTime(),
                               displayId_, std::nullopt});
        return;
    }
    logWarning(QStringLiteral("[ScrollSession] 沒有抓到任何幀"));
    complete(std::nullopt);
}

void ScrollSession::finishWithoutResult() {
    if (stream_) {
        stream_->stop();
    }
    complete(std::nullopt);
}

void ScrollSession::complete(std::optional<CaptureResult> result) {
    if (finished_) {
        return;
    }
    finished_ = true;
    stitchedImage_.reset();
    lastFrame_.reset();
    if (auto done = std::exchange(completion_, nullptr)) {
        done(std::move(result));
    }
}

} // namespace mebo
