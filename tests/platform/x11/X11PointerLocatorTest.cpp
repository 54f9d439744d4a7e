#include "DesktopTools.h"
#include "X11DesktopFixture.h"

#include "platform/x11/X11PointerLocator.h"

using namespace mebo::platform::x11;

namespace mebo::test::x11 {

class X11PointerLocatorTest : public X11DesktopFixture {};

TEST_F(X11PointerLocatorTest, ReportsDesktopSpaceWithTheOriginBottomLeft) {
    X11PointerLocator pointer(conn);
    const struct {
        int x, y;
        QPoint desktop;
    } cases[] = {{300, 200, {300, 880}}, {0, 0, {0, 1080}}, {1919, 1079, {1919, 1}}};
    for (const auto& c : cases) {
        ASSERT_TRUE(runTool(QStringLiteral("xdotool"),
                            {QStringLiteral("mousemove"), QString::number(c.x), QString::number(c.y)})
                        .ok());
        const auto at = pointer.location();
        ASSERT_TRUE(at.has_value());
        EXPECT_EQ(*at, c.desktop) << c.x << "," << c.y;
    }
}

} // namespace mebo::test::x11
