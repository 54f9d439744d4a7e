#include <gtest/gtest.h>

#include "document/CutOutEdge.h"
#include "document/CutOutLayer.h"
#include "document/DocumentFlattener.h"
#include "support/ReferenceImage.h"

#include <QPainter>
#include <cmath>

namespace mebo {
namespace {

using Style = CutOutEdgeStyle;
constexpr auto H = CutOutOrientation::horizontal;
constexpr auto V = CutOutOrientation::vertical;

TEST(CutOutEdgeTest, AmplitudeFollowsThicknessDepthAndItsCaps) {
    // 0.09 x 20 = 1.8 is raised to the torn minimum 2; depth 2 doubles it.
    EXPECT_DOUBLE_EQ(CutOutEdge::params({0, 0, 300, 20}, H, Style::torn, 1, 1).amplitude, 2);
    EXPECT_DOUBLE_EQ(CutOutEdge::params({0, 0, 300, 20}, H, Style::torn, 1, 2).amplitude, 4);
    // Depth is clamped to 0.3..2 and the result to 0.44 of the thickness.
    EXPECT_DOUBLE_EQ(CutOutEdge::params({0, 0, 300, 200}, H, Style::torn, 1, 9).amplitude, 14);
    EXPECT_NEAR(CutOutEdge::params({0, 0, 300, 4}, H, Style::zigzag, 1, 2).amplitude, 0.44 * 4, 1e-12);
    EXPECT_DOUBLE_EQ(CutOutEdge::params({0, 0, 300, 100}, H, Style::zigzag, 1, 1).amplitude, 16);
    EXPECT_DOUBLE_EQ(CutOutEdge::params({0, 0, 300, 100}, H, Style::wave, 1, 1).amplitude, 15);
    EXPECT_DOUBLE_EQ(CutOutEdge::params({0, 0, 300, 20}, H, Style::wave, 1, 0.1).amplitude, 0.3 * 5.2);
    // A vertical strip measures thickness across x.
    EXPECT_DOUBLE_EQ(CutOutEdge::params({0, 0, 20, 300}, V, Style::torn, 1, 2).amplitude, 4);
}

TEST(CutOutEdgeTest, PeriodCyclesAndSampleCount) {
    const auto zig = CutOutEdge::params({0, 0, 1000, 40}, H, Style::zigzag, 1, 1);
    EXPECT_DOUBLE_EQ(zig.period, 18);
    EXPECT_NEAR(zig.cycles, 1000.0 / 18, 1e-9); // not rounded to whole cycles
    EXPECT_EQ(zig.samples, 164);                // step 18 x 0.34 = 6.12

    // Density above 3 behaves like 3 for both the pattern and the samples.
    const auto d10 = CutOutEdge::params({0, 0, 1000, 40}, H, Style::wave, 10, 1);
    const auto d3 = CutOutEdge::params({0, 0, 1000, 40}, H, Style::wave, 3, 1);
    EXPECT_DOUBLE_EQ(d10.period, 34.0 / 3);
    EXPECT_DOUBLE_EQ(d10.period, d3.period);
    EXPECT_EQ(d10.samples, d3.samples);

    // Below 0.5 the pattern doubles the base period while the samples use the 0.5 clamp.
    const auto low = CutOutEdge::params({0, 0, 1000, 40}, H, Style::torn, 0.1, 1);
    EXPECT_DOUBLE_EQ(low.period, 32);
    EXPECT_EQ(low.samples, int(std::ceil(1000 / (32 * 0.18))));

    // Short strips still get 8 samples and one whole cycle; very long ones stop at 2400.
    const auto tiny = CutOutEdge::params({0, 0, 5, 40}, H, Style::torn, 1, 1);
    EXPECT_EQ(tiny.samples, 8);
    EXPECT_DOUBLE_EQ(tiny.cycles, 1);
    EXPECT_EQ(CutOutEdge::params({0, 0, 100000, 40}, H, Style::torn, 3, 1).samples, 2400);
    // At high density the torn step falls to its minimum 1.25.
    EXPECT_EQ(CutOutEdge::params({0, 0, 1000, 40}, H, Style::torn, 3, 1).samples, 800);
}

TEST(CutOutEdgeTest, OffsetsHaveTheirShapeAndStayWithinTheAmplitude) {
    const QRectF rect(0, 0, 1000, 40);
    const auto zig = CutOutEdge::params(rect, H, Style::zigzag, 1, 1);
    // The zigzag starts at -A, peaks at +A half a cycle later.
    EXPECT_NEAR(CutOutEdge::offset(zig, Style::zigzag, rect, 0, 0), -zig.amplitude, 1e-9);
    EXPECT_NEAR(CutOutEdge::offset(zig, Style::zigzag, rect, 0, 0.5 / zig.cycles), zig.amplitude, 1e-9);
    const auto wave = CutOutEdge::params(rect, H, Style::wave, 1, 1);
    EXPECT_NEAR(CutOutEdge::offset(wave, Style::wave, rect, 0, 0.25 / wave.cycles), wave.amplitude, 1e-9);

    const auto torn = CutOutEdge::params(rect, H, Style::torn, 1, 1);
    double lo = 0, hi = 0;
    for (int i = 0; i <= 1000; ++i) {
        for (int side = 0; side < 2; ++side) {
            const double o = CutOutEdge::offset(torn, Style::torn, rect, side, i / 1000.0);
            lo = std::min(lo, o);
            hi = std::max(hi, o);
            ASSERT_LE(std::abs(o), torn.amplitude + 1e-9);
        }
    }
    // The tear really moves: it is not a flat line.
    EXPECT_LT(lo, -0.3 * torn.amplitude);
    EXPECT_GT(hi, 0.3 * torn.amplitude);
}

TEST(CutOutEdgeTest, TornEdgesAreStablePerStripAndDifferBetweenStrips) {
    const QPainterPath a = CutOutEdge::path({10, 100, 400, 30}, H, Style::torn, 1, 1);
    const QPainterPath b = CutOutEdge::path({10, 100, 400, 30}, H, Style::torn, 1, 1);
    const QPainterPath c = CutOutEdge::path({10, 180, 400, 30}, H, Style::torn, 1, 1);
    EXPECT_EQ(a, b);
    ASSERT_EQ(a.elementCount(), c.elementCount());
    double differences = 0;
    for (int i = 0; i < a.elementCount(); ++i) {
        differences += std::abs((a.elementAt(i).y - 100) - (c.elementAt(i).y - 180));
    }
    EXPECT_GT(differences, 10);
    // The two long sides of one strip are not copies of each other.
    const auto p = CutOutEdge::params({10, 100, 400, 30}, H, Style::torn, 1, 1);
    EXPECT_NE(CutOutEdge::offset(p, Style::torn, {10, 100, 400, 30}, 0, 0.3),
              CutOutEdge::offset(p, Style::torn, {10, 100, 400, 30}, 1, 0.3));
}

TEST(CutOutEdgeTest, PathRunsAlongBothLongSides) {
    const QRectF rect(20, 50, 600, 40);
    const auto p = CutOutEdge::params(rect, H, Style::wave, 1, 1);
    const QPainterPath path = CutOutEdge::path(rect, H, Style::wave, 1, 1);
    // One move, samples + 1 points per side, then the close back to the start.
    EXPECT_EQ(path.elementCount(), 2 * (p.samples + 1) + 1);
    const QRectF box = path.boundingRect();
    EXPECT_NEAR(box.left(), rect.left(), 1e-9);
    EXPECT_NEAR(box.right(), rect.right(), 1e-9);
    EXPECT_LE(box.top(), rect.top() + 1e-9);
    EXPECT_GE(box.top(), rect.top() - p.amplitude - 1e-9);
    EXPECT_GE(box.bottom(), rect.bottom() - 1e-9);
    EXPECT_LE(box.bottom(), rect.bottom() + p.amplitude + 1e-9);

    const QPainterPath vertical = CutOutEdge::path({300, 0, 40, 500}, V, Style::zigzag, 1, 1);
    EXPECT_NEAR(vertical.boundingRect().top(), 0, 1e-9);
    EXPECT_NEAR(vertical.boundingRect().bottom(), 500, 1e-9);
}

TEST(CutOutLayerTest, HitTestIsABandAlongTheOutline) {
    const CutOutLayer strip({100, 100, 400, 60}, H, Style::torn, 1, 1);
    // Band half-width: min(tolerance 8, 0.25 x 60) = 8.
    EXPECT_TRUE(strip.hitTest({100, 130}));
    EXPECT_TRUE(strip.hitTest({92, 130}));
    EXPECT_FALSE(strip.hitTest({91.9, 130}));
    EXPECT_TRUE(strip.hitTest({300, 107.9}));
    EXPECT_FALSE(strip.hitTest({300, 130})); // the middle of the strip is not the outline
    // A thin strip is hit anywhere inside; the band never drops below 1.5.
    const CutOutLayer thin({0, 0, 200, 2}, H, Style::zigzag, 1, 1);
    EXPECT_TRUE(thin.hitTest({100, 1}));
    EXPECT_TRUE(thin.hitTest({100, -1.5}));
    EXPECT_FALSE(thin.hitTest({100, -1.6}));
    const CutOutLayer sliver({0, 0, 200, 0.5}, H, Style::zigzag, 1, 1);
    EXPECT_TRUE(sliver.hitTest({100, 1.9}));
    EXPECT_FALSE(sliver.hitTest({100, 2.1}));
    // A larger canvas tolerance widens the band up to a quarter of the short side.
    EXPECT_TRUE(strip.hitTest({300, 114}, 20));
    EXPECT_FALSE(strip.hitTest({300, 116}, 20));
}

TEST(CutOutLayerTest, StandardisesItsRectAndMovesAsACopy) {
    auto strip = std::make_shared<CutOutLayer>(QRectF(500, 160, -400, -60), H, Style::wave, 2, 1.5);
    EXPECT_EQ(strip->rect(), QRectF(100, 100, 400, 60));
    EXPECT_EQ(strip->bounds(), strip->rect());
    EXPECT_EQ(strip->toolKind, ToolKind::cutout);
    EXPECT_EQ(strip->opacity, 1);
    strip->isLocked = true;
    const auto moved = std::dynamic_pointer_cast<CutOutLayer>(strip->translated(10, -20));
    ASSERT_TRUE(moved);
    EXPECT_NE(moved.get(), strip.get());
    EXPECT_FALSE(moved->isLocked);
    EXPECT_EQ(moved->rect(), QRectF(110, 80, 400, 60));
    EXPECT_EQ(moved->edgeStyle(), Style::wave);
    EXPECT_EQ(moved->density(), 2);
    EXPECT_EQ(moved->depth(), 1.5);
    EXPECT_EQ(moved->maskPath(), CutOutEdge::path(moved->rect(), H, Style::wave, 2, 1.5));
}

QImage checkerBase(int w, int h) {
    QImage base(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&base);
    for (int y = 0; y < h; y += 10) {
        for (int x = 0; x < w; x += 10) {
            p.fillRect(x, y, 10, 10, ((x + y) / 10) % 2 ? QColor(70, 120, 200) : QColor(235, 240, 248));
        }
    }
    return base;
}

TEST(CutOutLayerTest, PunchesTheStripOutOfEverythingBelowOnly) {
    const QImage base = checkerBase(200, 160);
    auto cut = std::make_shared<CutOutLayer>(QRectF(0, 60, 200, 40), H, Style::zigzag, 1, 1);
    const QImage out = DocumentFlattener::flatten(base, {cut}, QRectF(0, 0, 200, 160));
    ASSERT_EQ(out.size(), QSize(200, 160));
    EXPECT_EQ(qAlpha(out.pixel(100, 80)), 0);
    EXPECT_EQ(qAlpha(out.pixel(100, 20)), 255);
    EXPECT_EQ(qAlpha(out.pixel(100, 140)), 255);
    // Columns where the zigzag dips into the strip keep pixels the straight rect would remove.
    int keptInside = 0;
    for (int x = 0; x < 200; ++x) {
        keptInside += qAlpha(out.pixel(x, 62)) == 255;
    }
    EXPECT_GT(keptInside, 10);
    EXPECT_LT(keptInside, 190);
    EXPECT_TRUE(test::matchesReference(out, "cutout_zigzag"));

    const QImage torn = DocumentFlattener::flatten(
        base, {std::make_shared<CutOutLayer>(QRectF(70, 0, 50, 160), V, Style::torn, 1, 1.4)},
        QRectF(0, 0, 200, 160));
    EXPECT_EQ(qAlpha(torn.pixel(95, 80)), 0);
    EXPECT_TRUE(test::matchesReference(torn, "cutout_torn_vertical"));
    const QImage wave = DocumentFlattener::flatten(
        base, {std::make_shared<CutOutLayer>(QRectF(0, 50, 200, 50), H, Style::wave, 1, 1)},
        QRectF(0, 0, 200, 160));
    EXPECT_TRUE(test::matchesReference(wave, "cutout_wave"));
}

} // namespace
} // namespace mebo
