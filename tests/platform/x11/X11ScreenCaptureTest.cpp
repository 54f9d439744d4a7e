#include "DesktopTools.h"
#include "X11DesktopFixture.h"

#include "app/MainThread.h"
#include "platform/x11/X11ScreenCapture.h"
#include "support/Answer.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

using namespace mebo;
using namespace mebo::platform;
using namespace mebo::platform::x11;

namespace mebo::test::x11 {

// What the windows in the answer hold is the window server's test; a second monitor's pixels are
// the mixed-scale test's.
class X11ScreenCaptureTest : public X11DesktopFixture {
protected:
    Result<QImage> capture(X11ScreenCapture& cap, uint32_t id, QSize size = {}, bool cursor = false) {
        return answerOf<Result<QImage>>([&](auto done) { cap.captureDisplay(id, size, cursor, done); },
                                        kSlowMs)
            .value_or(Result<QImage>::fail(QStringLiteral("no answer")));
    }
};

TEST_F(X11ScreenCaptureTest, CompletionsRunOnTheMainThreadOnceAfterTheCallReturned) {
    X11ScreenCapture cap(conn);
    const uint32_t id = cap.displays().value(0).displayId;
    bool returned = false;
    int calls = 0;
    bool onMain = false;
    bool afterReturn = false;
    QSize size;
    cap.captureDisplay(id, {}, false, [&](Result<QImage> r) {
        ++calls;
        onMain = isMainThread();
        afterReturn = returned;
        size = r.isOk() ? r.value().size() : QSize();
    });
    int contentCalls = 0;
    cap.shareableContent({}, [&](Result<ShareableContent> r) {
        ++contentCalls;
        onMain = onMain && isMainThread() && r.isOk();
    });
    returned = true;
    ASSERT_TRUE(waitUntil([&] { return calls > 0 && contentCalls > 0; }, kSlowMs));
    drainEvents(); // a second completion would be queued right behind the first
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(contentCalls, 1);
    EXPECT_TRUE(onMain);
    EXPECT_TRUE(afterReturn);
    EXPECT_EQ(size, QSize(1920, 1080));
}

TEST_F(X11ScreenCaptureTest, UnknownDisplayAndScaledRequests) {
    X11ScreenCapture cap(conn);
    const Result<QImage> unknown = capture(cap, 12345);
    ASSERT_FALSE(unknown.isOk());
    EXPECT_EQ(unknown.error(), QStringLiteral("no display 12345"));

    const uint32_t id = cap.displays().value(0).displayId;
    const Result<QImage> half = capture(cap, id, QSize(960, 540));
    ASSERT_TRUE(half.isOk()) << half.error().toStdString();
    EXPECT_EQ(half.value().size(), QSize(960, 540));
    EXPECT_EQ(half.value().format(), QImage::Format_RGB32);
}

TEST_F(X11ScreenCaptureTest, ShowCursorAddsThePointerOnlyAroundItsPosition) {
    X11ScreenCapture cap(conn);
    const uint32_t id = cap.displays().value(0).displayId;
    ASSERT_TRUE(runTool(QStringLiteral("xdotool"),
                        {QStringLiteral("mousemove"), QStringLiteral("1700"), QStringLiteral("1000")})
                    .ok());
    FreezeGuard freeze;
    const Result<QImage> plain = capture(cap, id, {}, false);
    const Result<QImage> withCursor = capture(cap, id, {}, true);
    ASSERT_TRUE(plain.isOk() && withCursor.isOk());
    QRect changed;
    for (int y = 0; y < 1080; ++y) {
        for (int x = 0; x < 1920; ++x) {
            if (plain.value().pixel(x, y) != withCursor.value().pixel(x, y)) {
                changed |= QRect(x, y, 1, 1);
            }
        }
    }
    ASSERT_FALSE(changed.isEmpty()) << "no pointer drawn";
    EXPECT_TRUE(QRect(1700 - 64, 1000 - 64, 128, 128).contains(changed))
        << changed.x() << "," << changed.y() << " " << changed.width() << "x" << changed.height();
}

} // namespace mebo::test::x11
