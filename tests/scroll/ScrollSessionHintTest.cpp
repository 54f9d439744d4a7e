#include "ScrollingDesktop.h"
#include "TestPaths.h"
#include "capture/ScreenCaptureSvc.h"
#include "scroll/ScrollSession.h"
#include "support/Fakes.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;



// An xterm's scrollback as it was captured, where a notch scrolls five lines, far from the first
// guess: once it is learnt, steps have another number of notches than the first one, and each
// frame must be expected where its notches took it (look-alike lines score alike otherwise).
TEST(ScrollSessionHint, ATerminalWhoseNotchIsLearntIsStitchedWithoutAGap) {
    const QImage page = QImage(QStringLiteral(MEBO_TEST_DATA_DIR "/scroll/xterm-scrollback.png"))
                            .convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(page.isNull());
    ScrollingDesktop desktop(page, QSize(page.width(), 502), 65);
    FakeWindowServer windows;
    ScreenCaptureSvc screenshots(desktop, windows);
    LogCapture log;
    std::optional<CaptureResult> result;
    bool done = false;
    ScrollSession session(ScrollSession::Services{screenshots, desktop, nullptr, nullptr},
                          ScrollingDesktop::displayId, QRect(0, 0, page.width(), 502), [] { return QList<uint32_t>{}; },
                          std::nullopt, std::nullopt, [&](std::optional<CaptureResult> r) {
                              result = std::move(r);
                              done = true;
                          });
    ScrollSession::Timing quick;
    quick.startDelayMs = quick.scrollSettleDelayMs = quick.pulseMs = quick.pollMs = quick.activationMs = 1;
    session.setTiming(quick);
    session.start();
    ASSERT_TRUE(waitUntil([&] { return done; }, 60000));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->image.convertToFormat(QImage::Format_RGB32), page);
    EXPECT_FALSE(log.contains(QStringLiteral("[ScrollSession] 對齊失敗 #1/6, 下一輪 strongWheel 重試")));
}
