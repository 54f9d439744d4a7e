#include "scroll/ScrollSession.h"
#include "ScrollingDesktop.h"
#include "SyntheticPage.h"
#include "TestPaths.h"
#include "capture/ScreenCaptureSvc.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

// Short waits: the loop's order and limits are what is tested, not its pace.
ScrollSession::Timing quick() {
    ScrollSession::Timing t;
    t.startDelayMs = 5;
    t.scrollSettleDelayMs = 5;
    t.pulseMs = 1;
    t.pollMs = 2;
    t.pollLimitMs = 200;
    t.activationMs = 1;
    return t;
}

struct Outcome {
    bool completed = false;
    int completions = 0;
    std::optional<CaptureResult> result;
};

class ScrollSessionTest : public ::testing::Test {
protected:
    void make(QImage page, QSize screen, int pixelsPerNotch) {
        desktop = std::make_unique<ScrollingDesktop>(std::move(page), screen, pixelsPerNotch);
        screenshots = std::make_unique<ScreenCaptureSvc>(*desktop, windows);
    }
    std::unique_ptr<ScrollSession> session(bool stream, std::optional<qint64> pid = std::nullopt) {
        ScrollSession::Services s{*screenshots, *desktop, nullptr, nullptr};
        if (stream) {
            s.makeStream = [this] { return desktop->makeStream(); };
        }
        const QRect rect(0, 0, desktop->displays().first().frame.width(),
                         desktop->displays().first().frame.height());
        auto out = std::make_unique<ScrollSession>(
            s, ScrollingDesktop::displayId, rect, [] { return QList<uint32_t>{}; }, std::nullopt, pid,
            [this](std::optional<CaptureResult> r) {
                run.completed = true;
                ++run.completions;
                run.result = std::move(r);
            });
        out->setTiming(quick());
        return out;
    }
    bool finish(int timeoutMs = 60000) {
        return waitUntil([this] { return run.completed; }, timeoutMs);
    }

    LogCapture log;
    FakeWindowServer windows;
    std::unique_ptr<ScrollingDesktop> desktop;
    std::unique_ptr<ScreenCaptureSvc> screenshots;
    Outcome run;
};

TEST_F(ScrollSessionTest, ScrollsToTheEndAndGivesThePage) {
    for (bool stream : {false, true}) {
        SCOPED_TRACE(stream ? "stream" : "screenshots");
        run = {};
        const QImage page = syntheticPage(640, 4200);
        // A notch of 53 rows, far from the first guess: the session learns it.
        make(page, QSize(640, 480), 53);
        auto s = session(stream);
        s->start();
        ASSERT_TRUE(finish());
        ASSERT_TRUE(run.result);
        EXPECT_EQ(run.completions, 1);
        EXPECT_EQ(run.result->mode, CaptureMode::scroll);
        const QImage image = run.result->image.convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(image, page.convertToFormat(QImage::Format_RGB32));
        EXPECT_EQ(desktop->offset(), 4200 - 480);
        EXPECT_NEAR(s->notches().pixelsPerNotch(), 53, 9);
        // Wheel events go to the centre of the region, in input (top-left) coordinates.
        EXPECT_EQ(desktop->wheelPoints.first(), QPoint(320, 240));
        EXPECT_TRUE(
            log.contains(stream ? QStringLiteral("[ScrollSession] 使用 SCStream 順滑取幀")
                                : QStringLiteral("[ScrollSession] SCStream 順滑取幀不可用, 回退到逐幀截屏")));
        EXPECT_TRUE(log.contains(QStringLiteral("[ScrollSession] 抓了第 1 幀")));
        EXPECT_TRUE(log.contains(QStringLiteral("[ScrollSession] 完成增量拼接 %1 幀").arg(s->frameCount())));
        EXPECT_TRUE(log.contains(QStringLiteral("✅ [ScrollSession] 拼接完成 640×4200")));
    }
}

// A frame caught mid-scroll is taken again before the next scroll; an application whose picture
// follows the wheel 80 ms late (longer than the settle wait and two stream frames) is waited for,
// else the step would count as the page's end; a step that shows nothing and then comes with the
// strong step after it passes the whole frame, and only scrolling back finds the reference again.
TEST_F(ScrollSessionTest, AStepCaughtMidScrollLateOrShownWithTheNextLeavesNoGap) {
    struct Case {
        const char* what;
        int lagScroll, stallScroll, reactionMs;
        bool aligns; // every step aligns at once (the log grows: the cases that align come first)
    };
    for (const Case& c : {Case{"caught mid-scroll", 3, 0, 0, true}, Case{"late to scroll", 0, 0, 80, true},
                          Case{"shown with the next step", 0, 4, 0, false}}) {
        SCOPED_TRACE(c.what);
        run = {};
        const QImage page = syntheticPage(640, c.reactionMs ? 4000 : 6000);
        make(page, QSize(640, 480), 53);
        desktop->lagScroll = c.lagScroll;
        desktop->stallScroll = c.stallScroll;
        desktop->reactionMs = c.reactionMs;
        auto s = session(c.reactionMs > 0);
        s->start();
        ASSERT_TRUE(finish());
        ASSERT_TRUE(run.result);
        EXPECT_EQ(run.result->image.convertToFormat(QImage::Format_RGB32),
                  page.convertToFormat(QImage::Format_RGB32));
        EXPECT_NE(log.contains(QStringLiteral("[ScrollSession] 對齊失敗 #1/6, 下一輪 strongWheel 重試")),
                  c.aligns);
        if (!c.reactionMs) {
            EXPECT_NEAR(s->notches().pixelsPerNotch(), 53, 9);
        }
    }
}

// A cancel before the first frame (with a stream) or during the pulses ends without result, and
// no pulse follows it.
TEST_F(ScrollSessionTest, CancelEndsWithoutResult) {
    for (const int cancelAt : {0, 2}) {
        run = {};
        make(syntheticPage(640, 6000), QSize(640, 480), 30);
        auto s = session(cancelAt == 0);
        ScrollSession* raw = s.get();
        desktop->onWheel = [&] {
            if (desktop->wheelEvents == cancelAt) {
                raw->cancel();
            }
        };
        s->start();
        if (cancelAt == 0) {
            s->cancel();
        }
        ASSERT_TRUE(finish());
        EXPECT_FALSE(run.result);
        EXPECT_EQ(desktop->wheelEvents, cancelAt);
        drainEvents();
        EXPECT_EQ(run.completions, 1);
    }
}

TEST_F(ScrollSessionTest, NoSyntheticInputOrTwoFailedCapturesInARowEndWithoutResult) {
    for (const bool input : {false, true}) {
        run = {};
        make(syntheticPage(640, 3000), QSize(640, 480), 40);
        desktop->canPost = input;
        desktop->failCaptures = input ? 2 : 0;
        auto s = session(false);
        s->start();
        ASSERT_TRUE(finish());
        EXPECT_FALSE(run.result);
        if (!input) {
            EXPECT_EQ(desktop->wheelEvents, 0);
        }
        EXPECT_EQ(log.contains(QStringLiteral("[ScrollSession] 連續截屏失敗, 放棄不完整結果")), input);
    }
    EXPECT_TRUE(log.contains(QStringLiteral("[ScrollSession] 缺少事件合成權限, 無法發送順滑滾輪")));
    EXPECT_TRUE(log.contains(QStringLiteral("[ScrollSession] 缺少事件合成權限, 無法回退到滾輪滾動")));
}

// A page no taller than the region: every scroll leaves it where it is. The target application is
// brought forward for the first scroll only: it stays in front afterwards.
TEST_F(ScrollSessionTest, ContentThatDoesNotMoveGivesOneFrame) {
    const QImage page = syntheticPage(640, 480);
    make(page, QSize(640, 480), 40);
    auto s = session(false, 4242);
    s->start();
    ASSERT_TRUE(finish());
    ASSERT_TRUE(run.result);
    EXPECT_EQ(run.result->image.convertToFormat(QImage::Format_RGB32), page);
    EXPECT_EQ(s->frameCount(), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("[ScrollSession] 自動滾動在第 4 步後無新內容, 結束")));
    EXPECT_EQ(desktop->activations, QList<qint64>{4242});
}

// An xterm's scrollback as it was captured, where a notch scrolls five lines, far from the first
// guess: once it is learnt, steps have another number of notches than the first one, and each
// frame must be expected where its notches took it (look-alike lines score alike otherwise).
TEST_F(ScrollSessionTest, ATerminalWhoseNotchIsLearntIsStitchedWithoutAGap) {
    const QImage page = QImage(QStringLiteral(MEBO_TEST_DATA_DIR "/scroll/xterm-scrollback.png"))
                            .convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(page.isNull());
    make(page, QSize(page.width(), 502), 65);
    auto s = session(false);
    s->start();
    ASSERT_TRUE(finish());
    ASSERT_TRUE(run.result);
    EXPECT_EQ(run.result->image.convertToFormat(QImage::Format_RGB32), page);
    EXPECT_FALSE(log.contains(QStringLiteral("[ScrollSession] 對齊失敗 #1/6, 下一輪 strongWheel 重試")));
}

} // namespace
