#include "capture/ScreenCaptureSvc.h"
#include "support/Answer.h"
#include "support/FakeWindows.h"

#include <gtest/gtest.h>

using namespace mebo;
using mebo::platform::DisplayInfo;
using mebo::platform::WindowInfo;
using mebo::platform::WindowType;

namespace {

using test::display;
using test::windowInfo;

class ScreenCaptureSvcTest : public ::testing::Test {
protected:
    std::optional<QImage> area(uint32_t id, QRect rect) {
        return test::answerOf<std::optional<QImage>>([&](auto done) { svc.captureArea(id, rect, done); })
            .value_or(std::nullopt);
    }
    std::optional<ScreenCaptureSvc::WindowCapture> windowShot(uint32_t id) {
        using Shot = std::optional<ScreenCaptureSvc::WindowCapture>;
        return test::answerOf<Shot>([&](auto done) { svc.captureWindow(id, done); }).value_or(std::nullopt);
    }
    QList<WindowInfo> snapList() {
        return test::answerOf<QList<WindowInfo>>([&](auto done) { svc.listShareableWindows(done); })
            .value_or(QList<WindowInfo>{});
    }

    test::LogCapture log;
    test::FakeScreenCapture capture;
    test::FakeWindowServer windowServer;
    ScreenCaptureSvc svc{capture, windowServer};
};

TEST_F(ScreenCaptureSvcTest, AreaCropFollowsTheDisplayFormulaOnRealPixels) {
    capture.displayList = {display(7, {0, 0, 1440, 900}, 2.0, true)};

    auto img = area(7, {100, 100, 200, 50});
    ASSERT_TRUE(img);
    EXPECT_EQ(capture.lastCaptureSize, QSize(2880, 1800));
    EXPECT_EQ(capture.contentCalls, 0); // a display grab reads the layout only, no listing
    ASSERT_EQ(img->size(), QSize(400, 100));
    // x = 2 * 100 = 200, y = 1800 - 200 - 100 = 1500
    EXPECT_EQ(img->pixel(0, 0), test::gradientPixel(200, 1500, 7));
    EXPECT_EQ(img->pixel(399, 99), test::gradientPixel(599, 1599, 7));
    EXPECT_TRUE(log.contains(QStringLiteral("[ScreenCapture] 全屏截屏 2880×1800 display 7")));
    EXPECT_TRUE(log.contains(QStringLiteral("[ScreenCapture] 區域截屏 400×100 at (200, 1500, 400, 100)")));

    // A display away from the origin: the crop is relative to its own frame.
    capture.displayList << display(8, {1440, 0, 1920, 1080}, 1.0, false);
    img = area(8, {1500, 100, 100, 50});
    ASSERT_TRUE(img);
    EXPECT_EQ(img->size(), QSize(100, 50));
    EXPECT_EQ(img->pixel(0, 0), test::gradientPixel(60, 1080 - 100 - 50, 8));
}

TEST_F(ScreenCaptureSvcTest, CropsOutsideTheImageAreClippedOrYieldNothing) {
    capture.displayList = {display(1, {0, 0, 1440, 900}, 1.0, true)};

    // Over the top-right corner: only the part on the display comes back.
    auto img = area(1, {1400, 850, 100, 100});
    ASSERT_TRUE(img);
    EXPECT_EQ(img->size(), QSize(40, 50));
    EXPECT_EQ(img->pixel(0, 0), test::gradientPixel(1400, 0, 1));
    EXPECT_TRUE(log.contains(QStringLiteral("[ScreenCapture] 區域截屏 40×50 at (1400, -50, 100, 100)")));

    EXPECT_FALSE(area(1, {2000, 100, 50, 50}));
    EXPECT_TRUE(log.contains(
        QStringLiteral("[ScreenCapture] 裁剪失敗 cropRect=(2000, 750, 50, 50) imageSize=1440×900")));
    EXPECT_FALSE(area(1, {10, 10, 0, 40}));
    EXPECT_TRUE(log.contains(
        QStringLiteral("[ScreenCapture] 裁剪失敗 cropRect=(10, 850, 0, 40) imageSize=1440×900")));
}

TEST_F(ScreenCaptureSvcTest, ScaleIsTruncatedAndFallsBackToPrimaryThenTwo) {
    const QList<DisplayInfo> displays = {display(1, {0, 0, 100, 100}, 1.0, false),
                                         display(2, {100, 0, 100, 100}, 3.0, true),
                                         display(3, {200, 0, 100, 100}, 1.75, false)};
    EXPECT_EQ(ScreenCaptureSvc::displayScale(displays, 3), 1);
    EXPECT_EQ(ScreenCaptureSvc::displayScale(displays, 99), 3);
    EXPECT_EQ(ScreenCaptureSvc::displayScale({}, 1), 2);
    // A fractional edge widens the crop to whole pixels.
    EXPECT_EQ(ScreenCaptureSvc::cropRect({1, 1, 1, 1}, {0, 0, 10, 10}, 1.5, 15), QRect(1, 12, 2, 2));
}

TEST_F(ScreenCaptureSvcTest, WindowIsCapturedOnlyWhereItLiesOnItsScreen) {
    capture.displayList = {display(1, {0, 0, 1440, 900}, 2.0, true),
                           display(2, {1440, 0, 1920, 1080}, 1.0, false)};
    // Top-left frame (1340, 100, 200, 100): desktop (1340, 700, 200, 100), centre x = 1440 is on
    // display 2 (frames are half-open), so only its right half is captured there.
    capture.windowList = {windowInfo(42, {1340, 100, 200, 100})};
    auto shot = windowShot(42);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->title, QStringLiteral("window 42"));
    EXPECT_EQ(capture.lastCaptureDisplay, 2u);
    ASSERT_EQ(shot->image.size(), QSize(100, 100));
    EXPECT_EQ(shot->image.pixel(0, 0), test::gradientPixel(0, 1080 - 700 - 100, 2));

    // Half off the right edge of a single display.
    capture.displayList = {display(1, {0, 0, 1440, 900}, 2.0, true)};
    shot = windowShot(42);
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->image.size(), QSize(200, 200)); // 100 x 100 points at scale 2
    EXPECT_EQ(shot->image.pixel(0, 0), test::gradientPixel(2680, 1800 - 1400 - 200, 1));

    capture.windowList = {windowInfo(43, {3000, 100, 200, 100})};
    EXPECT_FALSE(windowShot(43));
    EXPECT_TRUE(log.contains(QStringLiteral("[ScreenCapture] 找不到 window 43 所在顯示器")));
}

TEST_F(ScreenCaptureSvcTest, FailuresAreLoggedAndAnsweredWithNothing) {
    capture.displayList = {display(1, {0, 0, 800, 600}, 1.0, true)};
    EXPECT_FALSE(area(99, {0, 0, 10, 10}));
    EXPECT_TRUE(log.contains(QStringLiteral("[ScreenCapture] 找不到 display 99")));
    EXPECT_FALSE(windowShot(77));
    EXPECT_TRUE(log.contains(QStringLiteral("[ScreenCapture] 找不到 window 77")));
    EXPECT_EQ(capture.captureCalls, 0);

    capture.captureError = QStringLiteral("grab refused");
    EXPECT_FALSE(area(1, {0, 0, 10, 10}));
    EXPECT_TRUE(log.contains(QStringLiteral("[ScreenCapture] captureFullDisplay 失敗: grab refused")));

    capture.contentError = QStringLiteral("Cannot open display :9");
    EXPECT_FALSE(windowShot(1));
    EXPECT_TRUE(log.contains(QStringLiteral("[ScreenCapture] captureWindow 失敗: Cannot open display :9")));
    EXPECT_TRUE(snapList().isEmpty());
    EXPECT_TRUE(
        log.contains(QStringLiteral("[ScreenCapture] listShareableWindows 失敗: Cannot open display :9")));
}

TEST_F(ScreenCaptureSvcTest, SnapListKeepsOwnedNormalWindowsFrontMostFirst) {
    capture.windowList = {
        windowInfo(1, {0, 0, 300, 200}),                                   // behind 3 in the stacking
        windowInfo(2, {0, 0, 15, 300}),                                    // too narrow
        windowInfo(3, {0, 0, 300, 200}, 0, QStringLiteral("firefox-esr")), // pid unknown, app known
        windowInfo(4, {0, 0, 1440, 30}, 200, QStringLiteral("panel"), WindowType::Dock),
        windowInfo(5, {0, 0, 1440, 900}, 201, QStringLiteral("desktop"), WindowType::Desktop),
        windowInfo(6, {0, 0, 300, 80}, 202, QStringLiteral("notify"), WindowType::Notification),
        windowInfo(7, {0, 0, 300, 200}, 0, QString()),                        // no owner
        windowInfo(8, {0, 0, 300, 19}),                                       // too short
        windowInfo(9, {0, 0, 300, 200}),                                      // not in the stacking list
        windowInfo(10, {0, 0, 20, 20}, 300, QString(), WindowType::Dialog),   // smallest allowed
        windowInfo(11, {0, 0, 300, 200}),                                     // not listed either
        windowInfo(12, {0, 0, 300, 200}, QCoreApplication::applicationPid()), // our own
    };
    windowServer.windows = {windowInfo(10, {}), windowInfo(3, {}), windowInfo(4, {}), windowInfo(1, {}),
                            windowInfo(12, {})};

    QList<uint32_t> ids;
    for (const auto& w : snapList()) {
        ids << w.windowId;
    }
    EXPECT_TRUE(capture.lastQuery.excludeDesktopWindows);
    EXPECT_EQ(ids, (QList<uint32_t>{10, 3, 1, 9, 11}));
}

} // namespace
