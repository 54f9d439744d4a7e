#include "recording/CursorEffects.h"
#include "support/Drawing.h"
#include "video/ClickRippleRenderer.h"
#include "video/CursorTrailRenderer.h"

#include <gtest/gtest.h>

namespace mebo {
namespace {

const QRectF kFrame(0, 0, 400, 200);

int litCount(const QImage& img, const QRect& area) {
    return test::countPixels(img, area, [](QRgb p) { return p != qRgb(0, 0, 0); });
}

// An overlay composited over a black frame of the test's size.
QImage drawn(const auto& overlay) {
    QImage frame(400, 200, QImage::Format_RGB32);
    frame.fill(Qt::black);
    overlay->compositeOver(frame);
    return frame;
}

TEST(ClickRippleRenderer, DrawsNothingWithoutWork) {
    const CursorPoints clicks{{1000, 0.5, 0.5}};
    EXPECT_FALSE(ClickRippleRenderer::render({}, {}, 1.1, 0.6, kFrame, 40));
    EXPECT_FALSE(ClickRippleRenderer::render(clicks, {}, 1.1, 0, kFrame, 40));
    EXPECT_FALSE(ClickRippleRenderer::render(clicks, {}, 1.1, 0.6, QRectF(0, 0, 0, 200), 40));
    EXPECT_FALSE(ClickRippleRenderer::render(clicks, {}, 0.9, 0.6, kFrame, 40)); // before the click
    EXPECT_FALSE(ClickRippleRenderer::render(clicks, {}, 1.7, 0.6, kFrame, 40)); // after it faded
}

TEST(ClickRippleRenderer, ParametersFollowTheirRules) {
    EXPECT_EQ(ClickRippleRenderer::effectiveRadius(0.2), 1);
    EXPECT_EQ(ClickRippleRenderer::effectiveRadius(900), 500);
    EXPECT_EQ(ClickRippleRenderer::effectiveRadius(std::nan("")), 40);
    EXPECT_EQ(ClickRippleRenderer::windowMs(0.04), 50);
    EXPECT_EQ(ClickRippleRenderer::windowMs(30), 10000);
    EXPECT_EQ(ClickRippleRenderer::windowMs(INFINITY), 600);
    EXPECT_EQ(CursorTrailRenderer::effectiveWidth(0), 1);
    EXPECT_EQ(CursorTrailRenderer::windowMs(NAN), 500);
}

TEST(ClickRippleRenderer, EachClickGetsItsRingInBottomLeftSpace) {
    // A click at the bottom-left quarter point; 300 ms later the ring is well grown. A second
    // click on the right has its own ring.
    const auto o = ClickRippleRenderer::render({{1000, 0.25, 0.25}, {1100, 0.9, 0.5}}, {1, 0, 0, 1}, 1.3, 0.6,
                                               kFrame, 40);
    ASSERT_TRUE(o);
    const QImage frame = drawn(o);
    // Centre (100, 50) bottom-left = (100, 150) top-down; radius 40 x 0.5^0.7 ~ 24.6.
    const QPoint centre(100, 150);
    EXPECT_EQ(qRed(frame.pixel(centre)), 0); // the dot is gone after 15 %
    EXPECT_GT(qRed(frame.pixel(centre + QPoint(25, 0))), 60);
    EXPECT_GT(qRed(frame.pixel(centre - QPoint(0, 25))), 60);
    EXPECT_EQ(qRed(frame.pixel(300, 50)), 0); // between the rings untouched
    EXPECT_GT(litCount(frame, {200, 0, 200, 200}), 50);
}

TEST(CursorTrailRenderer, FadesAlongThePathToAHeadDot) {
    CursorPoints points;
    for (int i = 0; i <= 10; ++i) {
        points.append({1000 + i * 40, 0.1 + i * 0.08, 0.5});
    }
    EXPECT_FALSE(CursorTrailRenderer::render(points.mid(0, 1), {}, 1.0, 0.5, kFrame, 10)); // one point
    const auto o = CursorTrailRenderer::render(points, {0, 1, 0, 1}, 1.4, 0.5, kFrame, 10);
    ASSERT_TRUE(o);
    const QImage frame = drawn(o);
    const int y = 100;
    const int newest = qGreen(frame.pixel(int(0.9 * 400), y));
    const int older = qGreen(frame.pixel(int(0.3 * 400), y));
    EXPECT_GT(newest, 200);
    EXPECT_GT(older, 0);
    EXPECT_LT(older, newest);
    EXPECT_EQ(qGreen(frame.pixel(int(0.9 * 400), y + 20)), 0); // width 10: nothing 20 px away
}

TEST(CursorEffects, HaloPulsesAfterAClick) {
    EXPECT_EQ(CursorEffects::clickPulse(std::nullopt), 0);
    EXPECT_DOUBLE_EQ(CursorEffects::clickPulse(57), 0.5); // u = 0.15
    EXPECT_DOUBLE_EQ(CursorEffects::clickPulse(114), 1.0);
    EXPECT_NEAR(CursorEffects::clickPulse(247), 0.5, 1e-9);
    EXPECT_EQ(CursorEffects::clickPulse(380), 0);
    EXPECT_DOUBLE_EQ(CursorEffects::haloRadius({1920, 1080}, 0), 27);
    EXPECT_DOUBLE_EQ(CursorEffects::haloRadius({640, 360}, 1), 22 * 1.55);
}

TEST(CursorEffects, DrawsOnlyWhatIsEnabledAndAvailable) {
    CursorTelemetry::Snapshot s;
    QImage frame(400, 200, QImage::Format_RGB32);
    frame.fill(Qt::black);
    EXPECT_FALSE(CursorEffects::draw(frame, s, 1000, {true, true, true})); // no samples
    s.lastPoint = CursorPoint{990, 0.5, 0.5};
    EXPECT_FALSE(CursorEffects::draw(frame, s, 1000, {false, true, true})); // halo off, no trail
    EXPECT_EQ(litCount(frame, frame.rect()), 0);
    EXPECT_TRUE(CursorEffects::draw(frame, s, 1000, {true, false, false}));
    EXPECT_GT(litCount(frame, frame.rect()), 0);
    EXPECT_NE(frame.pixel(200 + 23, 100), qRgb(0, 0, 0)); // the ring, radius 22
}

// A recorder keeps its screen picture between frames and reads again only the pixels it knows
// changed: every pixel the effects change lies in the rectangle they answer.
TEST(CursorEffects, TheDrawnRectangleHoldsEveryChangedPixel) {
    CursorTelemetry::Snapshot s;
    s.lastPoint = CursorPoint{1000, 0.9, 0.95}; // near the top-right corner: clipped
    s.lastClickMs = 950;
    s.trail = {{700, 0.2, 0.2}, {850, 0.5, 0.4}, {1000, 0.9, 0.95}};
    s.clicks = {{950, 0.5, 0.4}};
    QImage frame(400, 200, QImage::Format_RGB32);
    frame.fill(Qt::black);
    QRect area;
    ASSERT_TRUE(CursorEffects::draw(frame, s, 1000, {true, true, true}, &area));
    EXPECT_GT(litCount(frame, area), 100);
    EXPECT_EQ(litCount(frame, frame.rect()), litCount(frame, area));
    EXPECT_TRUE(frame.rect().contains(area));
}

} // namespace
} // namespace mebo
