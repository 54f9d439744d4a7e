#include "capture/WindowSnapper.h"
#include "support/FakeWindows.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

using namespace mebo;

namespace {

using test::windowInfo;

struct Fixture {
    test::FakeWindowServer server;
    double now = 100.0;
    WindowSnapper snapper{server, /*ownPid*/ 42, [this] { return now; }};
};

} // namespace

TEST(WindowSnapper, SkipsOwnAndSmallWindowsAndTakesTheFrontMostContainingThePointer) {
    Fixture f;
    const auto own = windowInfo(1, QRect(0, 0, 1000, 1000), 42);
    const auto thin = windowInfo(2, QRect(100, 0, 19, 1000), 7);
    const auto flat = windowInfo(3, QRect(0, 100, 1000, 19), 7);
    const auto front = windowInfo(4, QRect(50, 50, 300, 300), 7);
    const auto back = windowInfo(5, QRect(0, 0, 800, 800), 8);
    f.server.windows = {own, thin, flat, front, back};
    f.snapper.setCandidates({back, front}); // the listing's own order does not matter

    const auto hit = f.snapper.hitTest(QPoint(105, 105));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->windowId, 4u);
    EXPECT_EQ(hit->rect, QRect(50, 50, 300, 300));
    EXPECT_FALSE(hit->isContentArea);

    const auto behind = f.snapper.hitTest(QPoint(500, 500));
    ASSERT_TRUE(behind);
    EXPECT_EQ(behind->windowId, 5u);
    EXPECT_FALSE(f.snapper.hitTest(QPoint(900, 900)));
}

TEST(WindowSnapper, AFrontWindowThatCannotBeSharedHidesTheOnesBehind) {
    Fixture f;
    const auto panel = windowInfo(9, QRect(0, 0, 400, 400), 7);
    const auto back = windowInfo(5, QRect(0, 0, 800, 800), 8);
    f.server.windows = {panel, back};
    f.snapper.setCandidates({back});
    EXPECT_FALSE(f.snapper.hitTest(QPoint(100, 100)));
    EXPECT_TRUE(f.snapper.hitTest(QPoint(600, 600)));
}

namespace {

// Content questions held until the test answers them.
struct ContentFixture : Fixture {
    std::vector<std::pair<QPoint, WindowSnapper::ContentAnswer>> asked;
    int changes = 0;
    ContentFixture() {
        snapper.setContentQuery(
            [this](const platform::WindowInfo&, const QPoint& p, WindowSnapper::ContentAnswer done) {
                asked.emplace_back(p, std::move(done));
            },
            [](const platform::WindowInfo& w) { return w.appId == QLatin1String("chromium"); },
            [this] { ++changes; });
    }
    void answer(size_t i, std::optional<QRect> r) {
        asked[i].second(r ? std::optional(WindowSnapper::ContentArea{*r, true}) : std::nullopt);
    }
};

} // namespace

TEST(WindowSnapper, AContentAnswerCountsOnlyForTheCellStillWanted) {
    ContentFixture f;
    const auto browser = windowInfo(4, QRect(0, 0, 1000, 800), 7, QStringLiteral("chromium"));
    f.server.windows = {browser};
    f.snapper.setCandidates({browser});
    const QRect page(0, 90, 1000, 710);

    // The window is offered until the page is known; one question at a time.
    EXPECT_FALSE(f.snapper.hitTest(QPoint(500, 400))->isContentArea);
    EXPECT_FALSE(f.snapper.hitTest(QPoint(600, 500))->isContentArea);
    ASSERT_EQ(f.asked.size(), 1u);
    f.answer(0, page); // for a cell the pointer left: dropped, the newest question goes out
    EXPECT_EQ(f.changes, 0);
    ASSERT_EQ(f.asked.size(), 2u);
    EXPECT_EQ(f.asked[1].first, QPoint(600, 500));
    f.answer(1, page);
    EXPECT_EQ(f.changes, 1);
    const auto hit = f.snapper.hitTest(QPoint(600, 500));
    EXPECT_TRUE(hit->isContentArea);
    EXPECT_EQ(hit->rect, page);
    EXPECT_EQ(hit->title, QStringLiteral("Content Area: chromium"));
    // The page holds anywhere inside it; above it (the toolbar) is asked again.
    EXPECT_EQ(f.snapper.hitTest(QPoint(100, 700))->rect, page);
    EXPECT_EQ(f.snapper.hitTest(QPoint(100, 40))->rect, browser.frame);
    ASSERT_EQ(f.asked.size(), 3u);

    // A new window list makes the question out stale as well.
    f.snapper.setCandidates({browser});
    f.answer(2, std::nullopt);
    EXPECT_EQ(f.changes, 1);
    EXPECT_FALSE(f.snapper.hitTest(QPoint(600, 500))->isContentArea);
}
