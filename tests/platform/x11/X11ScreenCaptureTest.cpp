#include "DesktopTools.h"
#include "X11DesktopFixture.h"

#include "app/MainThread.h"
#include "platform/x11/X11ScreenCapture.h"
#include "support/TestUtil.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

using namespace mebo;
using namespace mebo::platform;
using namespace mebo::platform::x11;

namespace mebo::test::x11 {

namespace {

// Adds a RandR monitor without outputs for the lifetime of the object.
class ExtraMonitor {
public:
    ExtraMonitor(const QString& name, const QString& geometry) : name_(name) {
        ok_ = runTool(QStringLiteral("xrandr"),
                      {QStringLiteral("--setmonitor"), name, geometry, QStringLiteral("none")})
                  .ok();
    }
    ~ExtraMonitor() {
        if (ok_) {
            runTool(QStringLiteral("xrandr"), {QStringLiteral("--delmonitor"), name_});
        }
    }
    bool ok() const { return ok_; }

private:
    QString name_;
    bool ok_ = false;
};

} // namespace

class X11ScreenCaptureTest : public X11DesktopFixture {
protected:
    Result<QImage> capture(X11ScreenCapture& cap, uint32_t id, QSize size = {}, bool cursor = false) {
        std::optional<Result<QImage>> got;
        cap.captureDisplay(id, size, cursor, [&](Result<QImage> r) { got = std::move(r); });
        EXPECT_TRUE(waitUntil([&] { return got.has_value(); }, kSlowMs));
        return got ? *got : Result<QImage>::fail(QStringLiteral("no answer"));
    }
    Result<ShareableContent> content(X11ScreenCapture& cap, ContentQuery q) {
        std::optional<Result<ShareableContent>> got;
        cap.shareableContent(q, [&](Result<ShareableContent> r) { got = std::move(r); });
        EXPECT_TRUE(waitUntil([&] { return got.has_value(); }, kSlowMs));
        return got ? *got : Result<ShareableContent>::fail(QStringLiteral("no answer"));
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

TEST_F(X11ScreenCaptureTest, ShareableContentListsDisplaysAndTheTestWindows) {
    X11ScreenCapture cap(conn);
    const Result<ShareableContent> c = content(cap, {});
    ASSERT_TRUE(c.isOk()) << c.error().toStdString();
    EXPECT_EQ(c->displays.size(), 1);
    int xterms = 0;
    for (const WindowInfo& w : c->windows) {
        xterms += w.title.startsWith(QLatin1String("mebo-test-xterm-")) && w.appId == QLatin1String("xterm");
        EXPECT_TRUE(w.onScreen);
    }
    EXPECT_EQ(xterms, 3);
}

TEST_F(X11ScreenCaptureTest, SecondMonitorFromSetMonitor) {
    // Xvfb has one output; a RandR 1.5 monitor without outputs splits its screen.
    ExtraMonitor extra(QStringLiteral("mebo-b"), QStringLiteral("800/200x600/150+1120+200"));
    if (!extra.ok()) {
        GTEST_SKIP() << "xrandr --setmonitor is not supported by this server";
    }
    X11ScreenCapture cap(conn);
    const QList<DisplayInfo> displays = cap.displays();
    ASSERT_EQ(displays.size(), 2);
    // RandR lists the new monitor first and marks none primary: the one at the root origin is.
    EXPECT_TRUE(displays[0].primary);
    EXPECT_EQ(displays[0].frame, QRect(0, 0, 1920, 1080));
    EXPECT_FALSE(displays[1].primary);
    EXPECT_EQ(displays[1].name, QStringLiteral("mebo-b"));
    EXPECT_EQ(displays[1].frame, QRect(1120, 1080 - 200 - 600, 800, 600));
    EXPECT_NE(displays[1].displayId, displays[0].displayId);

    FreezeGuard freeze;
    const Result<QImage> part = capture(cap, displays[1].displayId);
    QString error;
    const QImage reference = xwdRoot({}, &error);
    ASSERT_TRUE(part.isOk()) << part.error().toStdString();
    ASSERT_FALSE(reference.isNull()) << error.toStdString();
    EXPECT_EQ(firstDifference(part.value(), reference.copy(1120, 200, 800, 600)), QString());
}

} // namespace mebo::test::x11
