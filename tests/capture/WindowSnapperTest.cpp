#include "capture/WindowSnapper.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

using namespace mebo;

namespace {

platform::WindowInfo window(uint32_t id, QRect frame, qint64 pid, QString title = {}) {
    platform::WindowInfo w;
    w.windowId = id;
    w.frame = frame;
    w.pid = pid;
    w.title = title.isEmpty() ? QStringLiteral("w%1").arg(id) : title;
    w.appId = QStringLiteral("app");
    return w;
}

struct Fixture {
    test::FakeWindowServer server;
    double now = 100.0;
    WindowSnapper snapper{server, /*ownPid*/ 42, [this] { return now; }};
};

} // namespace

TEST(WindowSnapper, SkipsOwnAndSmallWindowsAndTakesTheFrontMostContainingThePointer) {
    Fixture f;
    const auto own = window(1, QRect(0, 0, 1000, 1000), 42);
    const auto thin = window(2, QRect(100, 0, 19, 1000), 7);
    const auto flat = window(3, QRect(0, 100, 1000, 19), 7);
    const auto front = window(4, QRect(50, 50, 300, 300), 7, QStringLiteral("Front"));
    const auto back = window(5, QRect(0, 0, 800, 800), 8, QStringLiteral("Back"));
    f.server.windows = {own, thin, flat, front, back};
    f.snapper.setCandidates({back, front}); // the listing's own order does not matter

    const auto hit = f.snapper.hitTest(QPoint(105, 105));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->windowId, 4u);
    EXPECT_EQ(hit->title, QStringLiteral("Front"));
    EXPECT_EQ(hit->rect, QRect(50, 50, 300, 300));
    EXPECT_FALSE(hit->isContentArea);

    const auto behind = f.snapper.hitTest(QPoint(500, 500));
    ASSERT_TRUE(behind);
    EXPECT_EQ(behind->windowId, 5u);
    EXPECT_FALSE(f.snapper.hitTest(QPoint(900, 900)));
}

TEST(WindowSnapper, AFrontWindowThatCannotBeSharedHidesTheOnesBehind) {
    Fixture f;
    const auto panel = window(9, QRect(0, 0, 400, 400), 7);
    const auto back = window(5, QRect(0, 0, 800, 800), 8);
    f.server.windows = {panel, back};
    f.snapper.setCandidates({back});
    EXPECT_FALSE(f.snapper.hitTest(QPoint(100, 100)));
    EXPECT_TRUE(f.snapper.hitTest(QPoint(600, 600)));
}
