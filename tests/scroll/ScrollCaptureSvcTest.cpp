#include "scroll/ScrollCaptureSvc.h"
#include "ScrollingDesktop.h"
#include "SyntheticPage.h"
#include "capture/ScreenCaptureSvc.h"
#include "scroll/ScrollControlPanel.h"
#include "support/Answer.h"
#include "support/FakeWindows.h"

#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

TEST(ScrollCaptureSvcRules, WindowContentArea) {
    struct Case {
        const char* what;
        platform::WindowInfo window;
        std::optional<QRect> content; // desktop space, primary display 1000 high
    };
    const QList<Case> cases = {
        // A browser (known by the start of its window class) loses 13 % of its height (84 to 136
        // points) at the top and nothing at the sides.
        {"browser", windowInfo(1, QRect(0, 0, 1200, 900), 0, "chromium"), QRect(0, 100, 1200, 783)},
        {"short", windowInfo(1, QRect(0, 0, 1200, 500), 0, "vivaldi-stable"), QRect(0, 500, 1200, 416)},
        {"tall", windowInfo(1, QRect(0, 0, 1200, 1400), 0, "Navigator"), QRect(0, -400, 1200, 1264)},
        // Other windows: 8 % (38 to 64 points) at the top, 2 % (at most 10) at each side.
        {"terminal", windowInfo(1, QRect(51, 70, 604, 524)), QRect(61, 406, 584, 482)},
        {"narrow", windowInfo(1, QRect(0, 0, 300, 400)), QRect(6, 600, 288, 362)},
        {"too low", windowInfo(1, QRect(0, 0, 600, 150)), std::nullopt},
        {"too narrow", windowInfo(1, QRect(0, 0, 130, 600)), std::nullopt},
        {"content too small", windowInfo(1, QRect(0, 0, 200, 180), 0, "chromium"), std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScrollCaptureSvc::windowContentArea(c.window, 1000), c.content) << c.what;
    }
}

TEST(ScrollCaptureSvcRules, AccessibilityCorrection) {
    const QRect region(0, 0, 1000, 800);
    struct Case {
        const char* what;
        QRect candidate;
        bool accepted;
    };
    for (const Case& c : {
             Case{"page beside a vertical tab strip", QRect(200, 0, 800, 800), true},
             Case{"slightly larger", QRect(-8, -8, 1016, 816), true},
             Case{"too wide", QRect(-10, 0, 1017, 800), false},
             Case{"mostly inside", QRect(100, -60, 800, 810), true},
             Case{"half outside", QRect(500, 0, 1000, 800), false},
             Case{"too small", QRect(10, 10, 119, 500), false},
             Case{"just large enough", QRect(10, 10, 120, 500), true},
         }) {
        EXPECT_EQ(ScrollCaptureSvc::accessibilityCorrection(region, c.candidate).has_value(), c.accepted)
            << c.what;
    }
}

TEST(ScrollCaptureSvcRules, WindowPageIsTheDocumentOrAboutTheContentArea) {
    // A 1280 x 900 window with the guessed content area below its top 117 rows (desktop space).
    const QRect frame(0, 0, 1280, 900);
    const QRect content(0, 0, 1280, 783);
    auto found = [](QRect r, const char* role) {
        AccessibilityScrollTarget t;
        t.frame = r;
        t.role = QString::fromLatin1(role);
        return t;
    };
    struct Case {
        const char* what;
        AccessibilityScrollTarget target;
        bool browser;
        std::optional<QRect> page;
    };
    for (const Case& c : {
             Case{"a browser's document", found(QRect(0, 0, 1280, 813), "AXWebArea"), true,
                  QRect(0, 0, 1280, 813)},
             Case{"a document reaching beyond the window", found(QRect(0, -4000, 1280, 4813), "AXWebArea"),
                  true, QRect(0, 0, 1280, 813)},
             Case{"a document below an info bar", found(QRect(0, 0, 1280, 640), "AXWebArea"), true,
                  QRect(0, 0, 1280, 640)},
             Case{"a wide table in a browser", found(QRect(8, 0, 1264, 760), "AXTable"), true, std::nullopt},
             Case{"an embedded frame's document", found(QRect(100, 200, 600, 400), "AXWebArea"), true,
                  std::nullopt},
             Case{"a document beside a wide side panel", found(QRect(400, 0, 880, 813), "AXWebArea"), true,
                  std::nullopt},
             Case{"a terminal's text", found(QRect(4, 0, 1272, 800), "AXTextArea"), false,
                  QRect(4, 0, 1272, 800)},
             Case{"a short list in an application", found(QRect(0, 500, 1280, 300), "AXList"), false,
                  std::nullopt},
             Case{"outside the window", found(QRect(0, 1000, 1280, 800), "AXWebArea"), true, std::nullopt},
         }) {
        EXPECT_EQ(ScrollCaptureSvc::windowPage(c.target, content, frame, c.browser), c.page) << c.what;
    }
}

TEST(ScrollCaptureSvcRules, OwnerOfTheOrdinaryWindowUnderThePoint) {
    const QList<platform::WindowInfo> windows = {
        windowInfo(1, QRect(0, 0, 1920, 40), 10, "panel", platform::WindowType::Dock),
        windowInfo(2, QRect(100, 100, 400, 400), 99, "mebo"),
        windowInfo(3, QRect(0, 0, 800, 800), 300, "chromium"),
    };
    // Desktop (200, 700) is window space (200, 300).
    EXPECT_EQ(ScrollCaptureSvc::ownerAt(windows, QPoint(200, 700), 1000, 99), 300);
    EXPECT_EQ(ScrollCaptureSvc::ownerAt(windows, QPoint(900, 700), 1000, 99), std::nullopt);
    EXPECT_EQ(ScrollCaptureSvc::ownerAt(windows, QPoint(200, 990), 1000, 99), 300); // under the dock
}

class Panel : public ScrollControlPanel {
public:
    void show(const QRect& r, std::function<void()> cancel) override {
        shown = true;
        region = r;
        onCancel = std::move(cancel);
    }
    void bringToFront() override { ++raised; }
    void close() override { shown = false; }
    std::optional<uint32_t> windowId() const override { return 0x4400001; }
    bool shown = false;
    QRect region;
    int raised = 0;
    std::function<void()> onCancel;
};

class ScrollCaptureSvcTest : public ::testing::Test {
protected:
    ScrollCaptureSvcTest()
        : desktop(syntheticPage(640, 6000), QSize(640, 480), 40), screenshots(desktop, windows),
          svc(ScrollCaptureSvc::Services{screenshots, windows, desktop, nullptr, nullptr, nullptr, nullptr}) {
        svc.setControlPanel(&panel);
        ScrollSession::Timing t;
        t.startDelayMs = 5;
        t.scrollSettleDelayMs = 60;
        t.pulseMs = 5;
        svc.setSessionTiming(t);
    }
    // Every answer of a capture of the whole display, counted.
    struct Answers {
        int calls = 0;
        std::optional<CaptureResult> last;
    };
    void startRegion(Answers& into) {
        svc.startRegion(ScrollingDesktop::displayId, QRect(0, 0, 640, 480),
                        [&into](std::optional<CaptureResult> r) {
                            ++into.calls;
                            into.last = std::move(r);
                        });
    }

    LogCapture log;
    FakeWindowServer windows;
    ScrollingDesktop desktop;
    ScreenCaptureSvc screenshots;
    Panel panel;
    ScrollCaptureSvc svc;
};

TEST_F(ScrollCaptureSvcTest, ASecondRequestWhileOneRunsEndsWithNothing) {
    Answers first, second;
    startRegion(first);
    ASSERT_TRUE(waitUntil([&] { return panel.shown; }));
    EXPECT_EQ(panel.region, QRect(0, 0, 640, 480));
    second.last = CaptureResult{};
    startRegion(second);
    EXPECT_EQ(second.calls, 1);
    EXPECT_FALSE(second.last);
    EXPECT_EQ(panel.raised, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("[ScrollCapture] 已有滾動截屏會話在進行中, 忽略新請求")));
    // The first capture goes on to its end.
    ASSERT_TRUE(waitUntil([&] { return first.calls == 1; }, 60000));
    ASSERT_TRUE(first.last);
    EXPECT_EQ(first.last->image.height(), 6000);
    EXPECT_FALSE(panel.shown);
    EXPECT_FALSE(svc.isRunning());
}

TEST_F(ScrollCaptureSvcTest, CancelCompletesAtOnceAndNothingFollows) {
    Answers answers;
    answers.last = CaptureResult{};
    startRegion(answers);
    ASSERT_TRUE(waitUntil([&] { return desktop.wheelEvents > 0; }));
    panel.onCancel();
    EXPECT_EQ(answers.calls, 1);
    EXPECT_FALSE(answers.last);
    EXPECT_FALSE(panel.shown);
    const int events = desktop.wheelEvents;
    // The session notices the flag at its next check; no result and no more scrolling follow.
    waitUntil([] { return false; }, 400);
    EXPECT_EQ(answers.calls, 1);
    EXPECT_LE(desktop.wheelEvents, events + 1);
}

TEST_F(ScrollCaptureSvcTest, WithoutAccessibilityOrInputNothingCanScroll) {
    desktop.canPost = false;
    const auto r = answerOf<std::optional<CaptureResult>>(
        [&](auto done) { svc.startRegion(ScrollingDesktop::displayId, QRect(0, 0, 640, 480), done); });
    ASSERT_TRUE(r);
    EXPECT_FALSE(*r);
    EXPECT_TRUE(log.contains(QStringLiteral("[ScrollCapture] 缺少輔助功能與事件合成權限, 無法自動滾動")));
    EXPECT_FALSE(panel.shown);
}

TEST_F(ScrollCaptureSvcTest, AWindowWithoutContentAreaIsRefused) {
    windows.windows = {windowInfo(9, QRect(0, 0, 600, 150))};
    const auto r = answerOf<std::optional<CaptureResult>>([&](auto done) { svc.startWindow(9, done); });
    ASSERT_TRUE(r);
    EXPECT_FALSE(*r);
    EXPECT_TRUE(
        log.contains(QStringLiteral("[ScrollCapture] 缺少輔助功能權限, 回退到窗口 heuristic + 滾輪事件")));
    EXPECT_TRUE(log.contains(QStringLiteral("[ScrollCapture] 收到 .window 結果但無法換算內容區")));
}

} // namespace
