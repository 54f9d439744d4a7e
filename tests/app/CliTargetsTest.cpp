#include "main/CliTargets.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace mebo {
namespace {

using test::display;

// A --geometry rectangle in root pixels: the display holding most of it, the part on that display
// in its own pixels, and the desktop points (bottom-left origin) rounded outward.
TEST(CliGeometryTarget, PicksTheDisplayClipsAndConvertsOutward) {
    // A 1920x1080 primary at the root's origin and a 2x 3840x2160 display to its right; desktop
    // frames in points, bottom-left origin, both bottoms level.
    const QList<platform::DisplayInfo> displays{
        display(1, QRect(0, 0, 1920, 1080), 1.0, false, QRect(0, 0, 1920, 1080)),
        display(2, QRect(1920, 0, 1920, 1080), 2.0, false, QRect(1920, 0, 3840, 2160)),
    };
    const struct {
        QRect rect;
        uint32_t display;
        QRect pixels;
        QRect desktop;
    } cases[] = {
        // y flips within the display: 10 px from the top is 1080 - 10 - 20 from the bottom.
        {QRect(100, 10, 300, 20), 1, QRect(100, 10, 300, 20), QRect(100, 1050, 300, 20)},
        // Mostly on the 2x display: clipped to it, odd pixels rounded outward to whole points.
        {QRect(1900, 101, 1001, 303), 2, QRect(0, 101, 981, 303), QRect(1920, 878, 491, 152)},
        // Mostly on the first display: the part beyond its edge is dropped.
        {QRect(1800, 0, 200, 100), 1, QRect(1800, 0, 120, 100), QRect(1800, 980, 120, 100)},
    };
    for (const auto& c : cases) {
        const auto t = cli::geometryTarget(displays, c.rect);
        ASSERT_TRUE(t.has_value());
        EXPECT_EQ(t->display.displayId, c.display);
        EXPECT_EQ(t->pixels, c.pixels);
        EXPECT_EQ(t->desktop, c.desktop);
    }
    EXPECT_FALSE(cli::geometryTarget(displays, QRect(6000, 0, 10, 10)).has_value());
    EXPECT_FALSE(cli::geometryTarget({}, QRect(0, 0, 10, 10)).has_value());
}

} // namespace
} // namespace mebo
