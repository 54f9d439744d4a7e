// Display-free checks of HiDPI: the toolkit's scale rules and the point spaces of a scaled or
// mixed monitor layout.

#include "DesktopTools.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11MonitorLayout.h"
#include "platform/x11/X11ScaleFactors.h"

#include "TestPaths.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo::platform;
using namespace mebo::platform::x11;

namespace {

X11ScaleFactors::Settings settings(double xftDpi, const char* scale = "", const char* screens = "",
                                   const char* fontDpi = "", const char* rounding = "",
                                   const char* enable = "") {
    X11ScaleFactors::Settings s;
    s.xftDpi = xftDpi;
    s.scaleFactor = scale;
    s.screenScaleFactors = screens;
    s.fontDpi = fontDpi;
    s.roundingPolicy = rounding;
    s.enableHighDpi = enable;
    return s;
}

struct FactorCase {
    const char* what;
    X11ScaleFactors::Settings settings;
    double left, right; // monitors "L" (position 0) and "R" (position 1)
    int leftScale, rightScale;
};

// Each row was checked against Qt 6.4's own devicePixelRatio on Xvfb with two RandR monitors.
class ScaleFactorCases : public ::testing::TestWithParam<FactorCase> {};

TEST_P(ScaleFactorCases, AsTheToolkitComputesThem) {
    const FactorCase& c = GetParam();
    const X11ScaleFactors f(c.settings);
    EXPECT_DOUBLE_EQ(f.factor(QStringLiteral("L"), 0), c.left) << c.what;
    EXPECT_DOUBLE_EQ(f.factor(QStringLiteral("R"), 1), c.right) << c.what;
    EXPECT_EQ(f.displayScale(QStringLiteral("L"), 0), c.leftScale) << c.what;
    EXPECT_EQ(f.displayScale(QStringLiteral("R"), 1), c.rightScale) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Qt64, ScaleFactorCases,
    ::testing::Values(
        FactorCase{"no resource", settings(0), 1, 1, 1, 1},
        FactorCase{"Xft.dpi 192", settings(192), 2, 2, 2, 2},
        FactorCase{"Xft.dpi 144 passes through", settings(144), 1.5, 1.5, 1, 1},
        FactorCase{"rounded", settings(144, "", "", "", "Round"), 2, 2, 2, 2},
        FactorCase{"prefer floor at .75", settings(168, "", "", "", "RoundPreferFloor"), 2, 2, 2, 2},
        FactorCase{"font dpi wins", settings(192, "", "", "144"), 1.5, 1.5, 1, 1},
        FactorCase{"global factor multiplies", settings(192, "1.5"), 3, 3, 3, 3},
        FactorCase{"scaling off keeps the global factor", settings(192, "2", "", "", "", "0"), 2, 2, 2, 2},
        FactorCase{"screens by name", settings(192, "", "L=1;R=2"), 1, 2, 1, 2},
        FactorCase{"one screen listed", settings(192, "", "3"), 3, 2, 3, 2},
        FactorCase{"a bad entry is skipped", settings(192, "", "L=abc;R=3"), 2, 3, 2, 3},
        FactorCase{"screen and global", settings(192, "2", "R=1.5"), 4, 3, 4, 3},
        FactorCase{"nonsense global", settings(96, "-2"), 1, 1, 1, 1}));

TEST(X11ScaleFactors, XftDpiFromTheResourceText) {
    EXPECT_DOUBLE_EQ(X11ScaleFactors::parseXftDpi("Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n"),
                     192);
    EXPECT_DOUBLE_EQ(X11ScaleFactors::parseXftDpi("Xft.dpi: 96\nXft.dpi: 144\n"), 144); // the last wins
    EXPECT_DOUBLE_EQ(X11ScaleFactors::parseXftDpi("Xft.dpi:\t120.5"), 120.5);
    EXPECT_DOUBLE_EQ(X11ScaleFactors::parseXftDpi("XTerm*Xft.dpi: 200\nXft.dpix: 7\n"), 0);
    EXPECT_DOUBLE_EQ(X11ScaleFactors::parseXftDpi("Xft.dpi: none"), 0);
    EXPECT_DOUBLE_EQ(X11ScaleFactors::parseXftDpi(""), 0);
    EXPECT_FALSE(X11ScaleFactors(settings(192, "", "1;2")).needsNames());
    EXPECT_TRUE(X11ScaleFactors(settings(192, "", "HDMI-1=2")).needsNames());
}

X11Monitor monitor(uint32_t id, QRect r, int scale, bool primary = false) {
    X11Monitor m;
    m.id = id;
    m.name = QStringLiteral("m%1").arg(id);
    m.rootRect = r;
    m.primary = primary;
    m.scale = scale;
    return m;
}

TEST(X11MonitorLayout, ATwiceScaledDisplayHasHalfAsManyPoints) {
    const auto layout = X11MonitorLayout::fromMonitors({monitor(1, {0, 0, 3840, 2160}, 2, true)});
    const DisplayInfo d = layout.displays().first();
    EXPECT_EQ(d.frame, QRect(0, 0, 1920, 1080));
    EXPECT_DOUBLE_EQ(d.scale, 2.0);
    EXPECT_EQ(d.nativeFrame, QRect(0, 0, 3840, 2160));
    // A window at root (201, 101) 400x300: points rounded outward.
    EXPECT_EQ(layout.toWindowSpace({201, 101, 400, 300}), QRect(100, 50, 201, 151));
    EXPECT_EQ(layout.toWindowSpace({200, 100, 400, 300}), QRect(100, 50, 200, 150));
    EXPECT_EQ(layout.toDesktop({200, 100, 400, 300}), QRect(100, 1080 - 50 - 150, 200, 150));
    EXPECT_EQ(layout.pointToDesktop({3839, 0}), QPoint(1919, 1080));
    EXPECT_EQ(layout.pointToDesktop({3839, 2159}), QPoint(1919, 1080 - 1079));
    // And back: the desktop rectangle lands on the pixels it came from.
    EXPECT_EQ(layout.toRoot(QRect(100, 880, 200, 150), 1), QRect(200, 100, 400, 300));
    EXPECT_EQ(layout.toRoot(QRect(0, 0, 10, 10), 99), QRect());
}

TEST(X11MonitorLayout, MixedScalesKeepEachMonitorsRootOrigin) {
    // A 1x 1920x1080 primary and, to its right, a 2x 3840x2160 monitor 100 px lower.
    const auto layout = X11MonitorLayout::fromMonitors(
        {monitor(2, {1920, 100, 3840, 2160}, 2), monitor(1, {0, 0, 1920, 1080}, 1, true)});
    const QList<DisplayInfo> d = layout.displays();
    ASSERT_EQ(d.size(), 2);
    EXPECT_EQ(d[0].frame, QRect(0, 0, 1920, 1080));
    // Window space: origin (1920, 100), 1920x1080 points; desktop y' = 1080 - 100 - 1080.
    EXPECT_EQ(d[1].frame, QRect(1920, -100, 1920, 1080));
    EXPECT_DOUBLE_EQ(d[1].scale, 2.0);
    // Each point converts with the scale of the monitor holding it.
    EXPECT_EQ(layout.pointToDesktop({1919, 0}), QPoint(1919, 1080));
    EXPECT_EQ(layout.pointToDesktop({1920 + 400, 100 + 200}), QPoint(1920 + 200, 1080 - (100 + 100)));
    // A window mostly on the 2x monitor takes its scale, even where it hangs over the 1x one.
    EXPECT_EQ(layout.toWindowSpace({1820, 300, 1000, 600}), QRect(1870, 200, 500, 300));
    EXPECT_EQ(layout.toWindowSpace({1000, 300, 600, 200}), QRect(1000, 300, 600, 200));
    // Window y 200 is 100 points below the monitor's top: 200 root pixels.
    EXPECT_EQ(layout.toRoot(QRect(2020, 1080 - 200 - 300, 500, 300), 2),
              QRect(1920 + 200, 100 + 200, 1000, 600));
    // A point between monitors belongs to the nearest one.
    EXPECT_EQ(layout.monitorAt({1000, 1500})->id, 1u);
    EXPECT_EQ(layout.monitorAt({2000, 50})->id, 2u);
}

TEST(X11MonitorLayout, PartialPointsAtAMonitorsFarEdgeAreLeftOut) {
    const auto layout = X11MonitorLayout::fromMonitors({monitor(1, {0, 0, 1601, 901}, 2, true)});
    EXPECT_EQ(layout.displays().first().frame, QRect(0, 0, 800, 450));
}

// A real 2x server: Xvfb with Xft.dpi 192, and a capture of pixels that are not whole points.
TEST(X11HiDpi, AGeometryCaptureOnATwiceScaledServerHasTheServersPixels) {
    mebo::test::x11::PrivateXvfb server(QStringLiteral("3840x2160x24"));
    ASSERT_TRUE(server.isRunning()) << server.error().toStdString();
    const QString d = server.display();
    // An odd-period pattern: a grab off by a pixel or by the scale differs.
    const auto set = mebo::test::x11::runTool(
        "/bin/sh", {"-c", "echo 'Xft.dpi: 192' | xrdb -display " + d + " -merge && xsetroot -display " + d +
                              " -mod 7 13 -fg '#d04010' -bg '#1060c0'"});
    ASSERT_TRUE(set.ok()) << set.err.toStdString();
    auto opened = X11Connection::open(d);
    ASSERT_TRUE(opened.isOk()) << opened.error().toStdString();
    EXPECT_DOUBLE_EQ(opened.value()->xftDpi(), 192);
    const QList<DisplayInfo> displays =
        X11MonitorLayout::query(*opened.value(), X11MonitorLayout::Names::Skip).displays();
    ASSERT_EQ(displays.size(), 1);
    EXPECT_EQ(displays[0].frame, QRect(0, 0, 1920, 1080));
    EXPECT_DOUBLE_EQ(displays[0].scale, 2.0);

    QTemporaryDir home;
    const auto run = mebo::test::x11::runTool(
        "env",
        {"DISPLAY=" + d, "XDG_CONFIG_HOME=" + home.path(), "XDG_DATA_HOME=" + home.path(),
         "XDG_CACHE_HOME=" + home.path(), "XDG_RUNTIME_DIR=" + home.path(), QStringLiteral(MEBO_BINARY),
         "capture", "area", "--geometry", "301x151+1001+501", "--save-dir", home.path() + "/shots"});
    ASSERT_TRUE(run.ok()) << run.err.toStdString();
    const QImage shot(run.out);
    QString error;
    const QImage root = mebo::test::x11::xwdRoot(d, &error);
    ASSERT_FALSE(root.isNull()) << error.toStdString();
    EXPECT_EQ(shot.size(), QSize(301, 151));
    EXPECT_EQ(mebo::test::x11::firstDifference(shot, root.copy(1001, 501, 301, 151)), QString());
}

} // namespace
