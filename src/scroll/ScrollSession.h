#pragma once

#include "capture/CaptureMode.h"
#include "scroll/AccessibilityScrollTarget.h"
#include "scroll/ScrollStitcher.h"
#include "scroll/WheelNotches.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QRect>
#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace mebo {

namespace platform {
class FrameStream;
class InputSynthesizer;
} // namespace platform

class ScreenCaptureSvc;
class ScrollRegionFrameStream;

// One scroll capture from start to result: scrolls the content under `rect` by synthetic wheel
// input, grabs a frame after each scroll (from a region stream, else a screenshot), lets the
// stitcher align it with the image so far off the main thread, and stops by itself when the
// content stops moving, a step or memory limit is reached, stitching becomes unreliable, or it is
// cancelled. The loop and all session state live on the main thread; frame processing runs on the
// thread pool and touches nothing of the session. The completion runs exactly once.
class ScrollSession : public QObject {
    Q_OBJECT
public:
    static constexpr int maxAutoScrollSteps = 120;
    static constexpr qint64 maxOutputBytes = 536870912; // 512 MiB
    static constexpr int maxNoMatchTolerance = 6;
    // The wheel pulses of one smooth scroll step (they sum to 1).
    static constexpr std::array<double, 10> pulseWeights = {0.06, 0.08, 0.10, 0.12, 0.14,
                                                            0.14, 0.13, 0.11, 0.08, 0.04};

    // The loop's waits, in milliseconds (tests shorten them).
    struct Timing {
        int startDelayMs = 180;
        int scrollSettleDelayMs = 140;
        int pulseMs = 12;
        int pollMs = 24;
        int pollLimitMs = 700;
        int activationMs = 90;
    };

    struct Services {
        ScreenCaptureSvc& screenshots;
        platform::InputSynthesizer& input;
        // Makes the region stream; null: screenshots only.
        std::function<std::unique_ptr<platform::FrameStream>()> makeStream;
        // Gives the accessibility target the focus ("AXFocused"); may be null.
        std::function<void(const AccessibilityScrollTarget&)> focusTarget;
    };

    using Completion = std::function<void(std::optional<CaptureResult>)>;

    // `rect`: desktop space (points, bottom-left origin), already corrected to the content area.
    // `excludedWindowIDs` is asked whenever frames are set up.
    ScrollSession(Services services, uint32_t displayId, const QRect& rect,
                  std::function<QList<uint32_t>()> excludedWindowIDs,
                  std::optional<AccessibilityScrollTarget> accessibilityTarget,
                  std::optional<qint64> targetPid, Completion completion, QObject* parent = nullptr);
    ~ScrollSession() override;

    void setTiming(const Timing& timing) { timing_ = timing; }
    // The region's top rows may be the window's own bars (a window whose content area is not
    // known): rows at the top that stay put while the content scrolls, at most `limit`, are
    // left out of the result; `fallback` rows when the frames cannot tell.
    void setTopTrim(int limit, int fallback) {
        topTrimLimit_ = limit;
        topTrimFallback_ = fallback;
    }
    // The rows left out at the top of the result (-1 while unknown).
    int topTrim() const { return topTrim_; }
    // Starts the loop; returns at once.
    void start();
    // The loop stops at its next check and finishes without a result.
    void cancel() { isCancelled_ = true; }

    bool isCancelled() const { return isCancelled_; }
    bool isFinished() const { return finished_; }
    int frameCount() const { return frameCount_; }
    uint32_t displayId() const { return displayId_; }
    QRect rect() const { return rect_; }
    const WheelNotches& notches() const { return notches_; }
    // Wheel notches posted so far.
    int notchesPosted() const { return notchesPosted_; }

private:
    void begin();
    void acquire();
    void poll();
    void screenshot();
    void process(QImage frame);
    void apply(CaptureProcessingResult result);
    bool evaluate(CaptureOutcome outcome);
    // The step's frames are in: learn the notch size from it and scroll again.
    void finishStep();
    // The shift the next frame is expected to show against the reference frame (the hint of the
    // alignment), 0 while unknown.
    int expectedShift() const;
    static constexpr int kMaxRechecks = 2;
    void scrollStep();
    // Both scroll kinds: permission, then the target application forward, then `then(true)`; or
    // `then(false)` after logging why not.
    void prepareScroll(bool fallback, std::function<void(bool)> then);
    void smoothScroll(std::function<void(bool)> done);
    void pulse(int index, std::array<int, 10> notches, QPoint at, std::function<void(bool)> done);
    void fallbackScroll(std::function<void(bool)> done);
    // After a step that did not align, when the content went several notches past the reference
    // frame: back to one notch past it, so the next frame overlaps it again.
    void scrollBack(std::function<void(bool)> done);
    void posted(int notches);
    // A scroll was posted: frames wait for the picture to move, then to settle.
    void scrolled();
    void settled();
    // How long after a scroll a picture that has not moved yet is waited for.
    int motionWaitMs() const;
    static constexpr int minMotionWaitMs = 300;
    QPoint eventLocation() const;
    void finishWithImage();
    void finishWithoutResult();
    void complete(std::optional<CaptureResult> result);

    Services services_;
    const uint32_t displayId_;
    const QRect rect_;
    std::function<QList<uint32_t>()> excludedWindowIDs_;
    Completion completion_;
    Timing timing_;

    std::optional<StitchedImage> stitchedImage_;
    std::optional<ScrollFrame> lastFrame_;
    int lastAppendRows_ = 0;
    int frameCount_ = 0;
    std::optional<AccessibilityScrollTarget> accessibilityTarget_;
    std::optional<qint64> targetPid_;
    bool didActivateTargetApp_ = false;
    qint64 lastStreamSequence_ = 0;
    bool isCancelled_ = false;

    std::unique_ptr<ScrollRegionFrameStream> stream_;
    bool streamRunning_ = false;
    QElapsedTimer pollClock_;
    std::optional<QImage> candidate_; // the newest stream frame, taken once the next ones match it
    int candidateMatches_ = 0;        // stream frames since that looked the same
    bool awaitingMotion_ = false;     // scrolled, and no stream frame has left the reference yet
    QElapsedTimer scrolledClock_;     // since the last scroll's last pulse
    int slowestReactionMs_ = -1;      // the longest a scroll took to show, -1 before the first
    bool retried_ = false;            // the frame of this step was grabbed again after a noMatch
    int rechecks_ = 0;                // frames grabbed again after a step that moved too little
    int stepRows_ = 0;                // rows appended since the last scroll
    double rowsAhead_ = 0;            // rows the notches posted since the reference frame scroll
    int notchesAhead_ = 0;            // notches posted since the reference frame, net
    bool scrollBack_ = false;         // the next step goes back towards the reference frame
    // The evaluation counters.
    int duplicates_ = 0;
    int noMatches_ = 0;
    bool previousFailed_ = false;
    int steps_ = 0;
    bool strong_ = false; // the flag of the scroll before the frame being processed
    bool processing_ = false;
    bool finished_ = false;
    WheelNotches notches_;
    int stepNotches_ = 0; // notches posted since the last frame
    int notchesPosted_ = 0;
    std::shared_ptr<bool> alive_;
    int topTrimLimit_ = 0;
    int topTrimFallback_ = 0;
    int topTrim_ = -1;
    QString framesDir_; // MEBO_SCROLL_FRAMES_DIR: every frame is also saved there
    int framesSaved_ = 0;
};

} // namespace mebo
