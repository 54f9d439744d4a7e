#include "DesktopTools.h"
#include "TestPaths.h"
#include "TestWindow.h"
#include "X11DesktopFixture.h"

#include "app/MainThread.h"
#include "capture/CaptureScale.h"
#include "capture/ScreenCaptureSvc.h"
#include "platform/x11/X11ScreenCapture.h"
#include "platform/x11/X11WindowServer.h"
#include "support/Answer.h"
#include "support/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace mebo;
using namespace mebo::platform;
using namespace mebo::platform::x11;

namespace mebo::test::x11 {

namespace {

const char* kScales = "mebo-l=1;mebo-r=2";

// The test desktop split into a 1x monitor (root pixels 0..1119) and a 2x one (1120..1919, 400 x
// 540 points), as RandR 1.5 monitors; the screen's own monitor comes back afterwards.
class MixedMonitors {
public:
    MixedMonitors() : oldScales_(qgetenv("QT_SCREEN_SCALE_FACTORS")) {
        ok_ = runTool("xrandr", {"--setmonitor", "mebo-l", "1120/296x1080/286+0+0", "screen"}).ok() &&
              runTool("xrandr", {"--setmonitor", "mebo-r", "800/212x1080/286+1120+0", "none"}).ok();
        qputenv("QT_SCREEN_SCALE_FACTORS", kScales); // read by this process and its children
    }
    ~MixedMonitors() {
        runTool("xrandr", {"--delmonitor", "mebo-r"});
        runTool("xrandr", {"--delmonitor", "mebo-l"});
        if (oldScales_.isNull()) {
            qunsetenv("QT_SCREEN_SCALE_FACTORS");
        } else {
            qputenv("QT_SCREEN_SCALE_FACTORS", oldScales_);
        }
    }
    bool ok() const { return ok_; }

private:
    QByteArray oldScales_;
    bool ok_ = false;
};

// One `mebo capture` into `home`: the written PNG.
QImage meboCapture(const QString& home, const QStringList& args) {
    const QStringList env{"XDG_CONFIG_HOME=" + home, "XDG_DATA_HOME=" + home, "XDG_CACHE_HOME=" + home};
    const auto shot =
        run(QStringList{MEBO_BINARY, "capture"} + args + QStringList{"--save-dir", home + "/shots"}, env,
            kSlowMs);
    EXPECT_TRUE(shot.ok()) << shot.err.toStdString();
    return QImage(shot.out);
}

} // namespace

class X11MixedScaleTest : public X11DesktopFixture {};

// Window snapping, the overlay's area capture and `--geometry` on a 1x + 2x pair of monitors: the
// same point rectangles, the server's device pixels, and the scale in the file.
TEST_F(X11MixedScaleTest, SnappingAreaAndGeometryCapturesAgree) {
    MixedMonitors monitors;
    if (!monitors.ok()) {
        GTEST_SKIP() << "xrandr --setmonitor is not supported by this server";
    }
    X11ScreenCapture capture(conn);
    X11WindowServer windowServer(conn);
    ScreenCaptureSvc svc(capture, windowServer);
    const QList<DisplayInfo> displays = svc.displays();
    ASSERT_EQ(displays.size(), 2);
    const DisplayInfo& left = displays[0].name == "mebo-l" ? displays[0] : displays[1];
    const DisplayInfo& right = displays[0].name == "mebo-r" ? displays[0] : displays[1];
    EXPECT_TRUE(left.primary);
    EXPECT_EQ(left.frame, QRect(0, 0, 1120, 1080));
    EXPECT_EQ(left.scale, 1.0);
    EXPECT_EQ(right.frame, QRect(1120, 1080 - 540, 400, 540));
    EXPECT_EQ(right.scale, 2.0);

    TestWindow window({.title = "mebo-test-mixed", .rect = {1300, 300, 500, 400}});
    ASSERT_TRUE(window.waitManaged());
    const QList<WindowInfo> snaps =
        answerOf<QList<WindowInfo>>([&](auto done) { svc.listShareableWindows(done); }, kSlowMs)
            .value_or(QList<WindowInfo>{});
    const auto it = std::find_if(snaps.begin(), snaps.end(),
                                 [&](const WindowInfo& w) { return w.windowId == window.id(); });
    ASSERT_NE(it, snaps.end());
    const QRect points = it->frame; // window space: top-left origin, points
    const QRect desktop = ScreenCaptureSvc::toDesktopSpace(points, left.frame.height());
    ASSERT_EQ(ScreenCaptureSvc::displayForRect(displays, desktop)->displayId, right.displayId);
    ASSERT_TRUE(right.frame.contains(desktop)) << "the window manager put the window across the monitors";
    // The same rectangle in root pixels: the 2x monitor starts at root x 1120.
    const QRect pixels(1120 + 2 * (points.x() - 1120), 2 * points.y(), 2 * points.width(),
                       2 * points.height());

    FreezeGuard freeze;
    QTemporaryDir home;
    QString error;
    const QImage root = rootPixels({}, &error);
    ASSERT_FALSE(root.isNull()) << error.toStdString();
    const QImage reference = root.copy(pixels);
    // The client area is the window's own plain background.
    EXPECT_EQ(QColor(reference.pixel(reference.width() / 2, reference.height() / 2)), QColor(0x336699));

    // What the overlay does with a snapped window: an area capture of its desktop rectangle.
    const QImage area = answerOf<std::optional<QImage>>(
                            [&](auto done) { svc.captureArea(right.displayId, desktop, done); }, kSlowMs)
                            .value_or(std::nullopt)
                            .value_or(QImage());
    EXPECT_EQ(firstDifference(area, reference), QString());
    EXPECT_EQ(CaptureScale::of(area), 2);

    const QImage byWindow = meboCapture(home.path(), {"window", "--window", QString::number(window.id())});
    const QString geometry =
        QString::asprintf("%dx%d+%d+%d", pixels.width(), pixels.height(), pixels.x(), pixels.y());
    const QImage byGeometry = meboCapture(home.path(), {"area", "--geometry", geometry});
    for (const QImage* shot : {&byWindow, &byGeometry}) {
        EXPECT_EQ(firstDifference(*shot, reference), QString());
        EXPECT_EQ(shot->dotsPerMeterX(), CaptureScale::dotsPerMetre(2));
    }

    // On the 1x monitor a geometry capture has 1x pixels and records scale 1.
    const QImage onLeft = meboCapture(home.path(), {"area", "--geometry", "301x151+101+201"});
    EXPECT_EQ(firstDifference(onLeft, root.copy(101, 201, 301, 151)), QString());
    EXPECT_EQ(onLeft.dotsPerMeterX(), CaptureScale::dotsPerMetre(1));

    // The library records each capture's scale.
    const QByteArray bytes = fileBytes(home.path() + "/shots/index.json");
    EXPECT_EQ(bytes.count("\"displayScale\": 2,\n"), 2) << bytes.toStdString();
    EXPECT_EQ(bytes.count("\"displayScale\": 1,\n"), 1);
}

} // namespace mebo::test::x11
