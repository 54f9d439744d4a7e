#include "X11DesktopFixture.h"

#include "platform/x11/X11PointerLocator.h"
#include "platform/x11/X11ScreenCapture.h"
#include "platform/x11/X11WindowServer.h"
#include "support/Answer.h"

#include <cstdlib>

using namespace mebo;
using namespace mebo::platform;
using namespace mebo::platform::x11;

namespace mebo::test::x11 {

class X11ConnectionTest : public X11DesktopFixture {};

// The atoms and extensions the connection looks up are what the window-list, grabber and
// capture tests use: a missing one fails there.

// A server that drops the client (here: another client kills it) leaves every service failing
// cleanly with the connection's reason, the screen-readability test included.
TEST_F(X11ConnectionTest, LostConnectionFailsEveryServiceWithItsReason) {
    X11ScreenCapture capture(conn);
    X11WindowServer windows(conn);
    X11PointerLocator pointer(conn);
    const QList<DisplayInfo> before = capture.displays();
    ASSERT_FALSE(before.isEmpty());

    // Give the connection a resource so that KillClient can name it.
    xcb_connection_t* c = conn->xcb();
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, conn->screen()->root_depth, pixmap, conn->root(), 1, 1);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    xcb_connection_t* killer = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(killer), 0);
    free(xcb_request_check(killer, xcb_kill_client_checked(killer, pixmap)));
    xcb_disconnect(killer);
    // The loss shows up at the next round trip.
    ASSERT_TRUE(waitUntil(
        [&] {
            free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
            return conn->hasError();
        },
        kSlowMs));
    EXPECT_TRUE(conn->errorText().contains(QLatin1String("lost"))) << conn->errorText().toStdString();

    const auto content =
        answerOf<Result<ShareableContent>>([&](auto done) { capture.shareableContent({}, done); }, kSlowMs);
    const auto image = answerOf<Result<QImage>>(
        [&](auto done) { capture.captureDisplay(before.first().displayId, QSize(), false, done); }, kSlowMs);
    ASSERT_TRUE(content && image);
    ASSERT_FALSE(content->isOk());
    EXPECT_EQ(content->error(), conn->errorText());
    ASSERT_FALSE(image->isOk());
    EXPECT_TRUE(capture.displays().isEmpty());
    EXPECT_TRUE(windows.windowsFrontToBack().isEmpty());
    EXPECT_FALSE(pointer.location().has_value());
}

} // namespace mebo::test::x11
