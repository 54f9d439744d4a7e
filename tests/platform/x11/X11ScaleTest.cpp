// Display-free checks of HiDPI: the toolkit's scale rules.

#include "platform/x11/X11ScaleFactors.h"

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

// Each row was checked against Qt 6.4's own devicePixelRatio on Xvfb with two RandR monitors.
TEST(X11ScaleFactors, AsTheToolkitComputesThem) {
    const struct {
        const char* what;
        X11ScaleFactors::Settings settings;
        double left, right; // monitors "L" (position 0) and "R" (position 1)
        int leftScale, rightScale;
    } cases[] = {
        {"no resource", settings(0), 1, 1, 1, 1},
        {"Xft.dpi 192", settings(192), 2, 2, 2, 2},
        {"Xft.dpi 144 passes through", settings(144), 1.5, 1.5, 1, 1},
        {"rounded", settings(144, "", "", "", "Round"), 2, 2, 2, 2},
        {"prefer floor at .75", settings(168, "", "", "", "RoundPreferFloor"), 2, 2, 2, 2},
        {"font dpi wins", settings(192, "", "", "144"), 1.5, 1.5, 1, 1},
        {"global factor multiplies", settings(192, "1.5"), 3, 3, 3, 3},
        {"scaling off keeps the global factor", settings(192, "2", "", "", "", "0"), 2, 2, 2, 2},
        {"screens by name", settings(192, "", "L=1;R=2"), 1, 2, 1, 2},
        {"one screen listed", settings(192, "", "3"), 3, 2, 3, 2},
        {"a bad entry is skipped", settings(192, "", "L=abc;R=3"), 2, 3, 2, 3},
        {"screen and global", settings(192, "2", "R=1.5"), 4, 3, 4, 3},
        {"nonsense global", settings(96, "-2"), 1, 1, 1, 1},
    };
    for (const auto& c : cases) {
        const X11ScaleFactors f(c.settings);
        EXPECT_DOUBLE_EQ(f.factor(QStringLiteral("L"), 0), c.left) << c.what;
        EXPECT_DOUBLE_EQ(f.factor(QStringLiteral("R"), 1), c.right) << c.what;
        EXPECT_EQ(f.displayScale(QStringLiteral("L"), 0), c.leftScale) << c.what;
        EXPECT_EQ(f.displayScale(QStringLiteral("R"), 1), c.rightScale) << c.what;
    }
}

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

} // namespace
