#include "document/CutOutLayer.h"
#include "document/CutOutEdge.h"
#include "document/DocumentFlattener.h"
#include "support/Drawing.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

using Style = CutOutEdgeStyle;
constexpr auto H = CutOutOrientation::horizontal;
constexpr auto V = CutOutOrientation::vertical;

CutOutEdge::Params params(QRectF rect, Style style, double density = 1, double depth = 1,
                          CutOutOrientation orientation = H) {
    return CutOutEdge::params(rect, orientation, style, density, depth);
}

} // namespace

TEST(CutOutEdgeTest, OffsetsHaveTheirShapeAndStayWithinTheAmplitude) {
    const QRectF rect(0, 0, 1000, 40);
    const auto zig = params(rect, Style::zigzag), wave = params(rect, Style::wave),
               torn = params(rect, Style::torn);
    EXPECT_NEAR(CutOutEdge::offset(zig, Style::zigzag, rect, 0, 0), -zig.amplitude, 1e-9);
    EXPECT_NEAR(CutOutEdge::offset(zig, Style::zigzag, rect, 0, 0.5 / zig.cycles), zig.amplitude, 1e-9);
    EXPECT_NEAR(CutOutEdge::offset(wave, Style::wave, rect, 0, 0.25 / wave.cycles), wave.amplitude, 1e-9);
    double lo = 0, hi = 0;
    for (int i = 0; i <= 1000; ++i) {
        for (int side = 0; side < 2; ++side) {
            const double o = CutOutEdge::offset(torn, Style::torn, rect, side, i / 1000.0);
            lo = std::min(lo, o);
            hi = std::max(hi, o);
            ASSERT_LE(std::abs(o), torn.amplitude + 1e-9);
        }
    }
    EXPECT_LT(lo, -0.3 * torn.amplitude); // the tear really moves
    EXPECT_GT(hi, 0.3 * torn.amplitude);

    // Torn edges are stable per strip, differ between strips and between the two sides.
    const QPainterPath a = CutOutEdge::path({10, 100, 400, 30}, H, Style::torn, 1, 1);
    const QPainterPath c = CutOutEdge::path({10, 180, 400, 30}, H, Style::torn, 1, 1);
    EXPECT_EQ(a, CutOutEdge::path({10, 100, 400, 30}, H, Style::torn, 1, 1));
    ASSERT_EQ(a.elementCount(), c.elementCount());
    double differences = 0;
    for (int i = 0; i < a.elementCount(); ++i) {
        differences += std::abs((a.elementAt(i).y - 100) - (c.elementAt(i).y - 180));
    }
    EXPECT_GT(differences, 10);
    const auto p = params({10, 100, 400, 30}, Style::torn);
    EXPECT_NE(CutOutEdge::offset(p, Style::torn, {10, 100, 400, 30}, 0, 0.3),
              CutOutEdge::offset(p, Style::torn, {10, 100, 400, 30}, 1, 0.3));
}

TEST(CutOutLayerTest, HitTestIsABandAlongTheOutline) {
    const CutOutLayer strip({100, 100, 400, 60}, H, Style::torn, 1, 1);
    // Band half-width: min(tolerance 8, 0.25 x 60) = 8; never below 1.5; a larger tolerance
    // widens it up to a quarter of the short side.
    const CutOutLayer thin({0, 0, 200, 2}, H, Style::zigzag, 1, 1),
        sliver({0, 0, 200, 0.5}, H, Style::zigzag, 1, 1);
    const std::tuple<const CutOutLayer*, QPointF, double, bool> cases[] = {
        {&strip, {100, 130}, 8, true},   {&strip, {92, 130}, 8, true},   {&strip, {91.9, 130}, 8, false},
        {&strip, {300, 107.9}, 8, true}, {&strip, {300, 130}, 8, false}, {&strip, {300, 114}, 20, true},
        {&strip, {300, 116}, 20, false}, {&thin, {100, 1}, 8, true},     {&thin, {100, -1.5}, 8, true},
        {&thin, {100, -1.6}, 8, false},  {&sliver, {100, 1.9}, 8, true}, {&sliver, {100, 2.1}, 8, false}};
    for (const auto& [layer, point, tolerance, hit] : cases) {
        EXPECT_EQ(layer->hitTest(point, tolerance), hit) << point.x() << "," << point.y() << " " << tolerance;
    }
    const CutOutLayer drawnBackwards(QRectF(500, 160, -400, -60), H, Style::wave, 2, 1.5);
    EXPECT_EQ(drawnBackwards.rect(), QRectF(100, 100, 400, 60));
    EXPECT_EQ(drawnBackwards.bounds(), drawnBackwards.rect());
    EXPECT_EQ(drawnBackwards.maskPath(), CutOutEdge::path(drawnBackwards.rect(), H, Style::wave, 2, 1.5));
}

TEST(CutOutLayerTest, PunchesTheStripOutOfEverythingBelowOnly) {
    QImage base = test::canvas(200, 160);
    {
        QPainter p(&base);
        for (int y = 0; y < 160; y += 10) {
            for (int x = 0; x < 200; x += 10) {
                p.fillRect(x, y, 10, 10, ((x + y) / 10) % 2 ? QColor(70, 120, 200) : QColor(235, 240, 248));
            }
        }
    }
    const auto cutOut = [&](QRectF rect, CutOutOrientation o, Style style, double depth) {
        return DocumentFlattener::flatten(base, {std::make_shared<CutOutLayer>(rect, o, style, 1, depth)},
                                          QRectF(0, 0, 200, 160));
    };
    const QImage out = cutOut({0, 60, 200, 40}, H, Style::zigzag, 1);
    ASSERT_EQ(out.size(), QSize(200, 160));
    EXPECT_EQ(qAlpha(out.pixel(100, 80)), 0);
    EXPECT_EQ(qAlpha(out.pixel(100, 20)), 255);
    EXPECT_EQ(qAlpha(out.pixel(100, 140)), 255);
    // Columns where the zigzag dips into the strip keep pixels the straight rect would remove.
    const int keptInside = test::countPixels(out, {0, 62, 200, 1}, [](QRgb p) { return qAlpha(p) == 255; });
    EXPECT_GT(keptInside, 10);
    EXPECT_LT(keptInside, 190);
    EXPECT_EQ(qAlpha(cutOut({70, 0, 50, 160}, V, Style::torn, 1.4).pixel(95, 80)), 0);
}
