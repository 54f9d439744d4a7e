#include "document/ArrowLayer.h"
#include "support/Drawing.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace mebo;
using test::canvas;
using test::near;
using test::render;

namespace {

ArrowLayer arrow(QPointF start, QPointF end, double width = 4) {
    ArrowLayer a;
    a.start = start;
    a.end = end;
    a.strokeWidth = width;
    a.color = QColor(230, 40, 50);
    a.shadow = ShadowStyle::none;
    return a;
}

} // namespace

TEST(ArrowLayerTest, HitToleranceIsEightOrOneAndAHalfStrokesPlusTheHeads) {
    struct Case {
        double width;
        ArrowHeadStyle heads;
        QPointF point;
        bool hit;
    };
    const auto none = ArrowHeadStyle::none, end = ArrowHeadStyle::end, start = ArrowHeadStyle::start;
    // A head adds its length round its point: 35 for width 10.
    const Case cases[] = {
        {4, none, {70, 57.9}, true},   {4, none, {70, 58.1}, false},  {4, none, {128.5, 50}, false},
        {10, none, {70, 64.9}, true},  {10, none, {70, 65.1}, false}, {10, end, {154.9, 50}, true},
        {10, end, {155.1, 50}, false}, {10, end, {0, 50}, false},     {10, start, {0, 50}, true},
    };
    for (const Case& c : cases) {
        ArrowLayer a = arrow({20, 50}, {120, 50}, c.width);
        a.headStyle = c.heads;
        EXPECT_EQ(a.hitTest(c.point), c.hit) << c.width << " " << c.point.x() << "," << c.point.y();
    }
    // A zero-length arrow draws nothing, but its heads still hit.
    ArrowLayer dot = arrow({80, 60}, {80, 60}, 4);
    dot.headStyle = ArrowHeadStyle::both;
    dot.shadow = ShadowStyle::soft;
    EXPECT_EQ(render(dot, canvas(160, 120)), canvas(160, 120));
    EXPECT_TRUE(dot.hitTest({93.9, 60}));
    EXPECT_FALSE(dot.hitTest({94.1, 60}));
    dot.headStyle = ArrowHeadStyle::none;
    EXPECT_TRUE(dot.hitTest({87.9, 60}));
    EXPECT_FALSE(dot.hitTest({88.1, 60}));
    // A wide head outline enlarges the head's radius by its excess over the stroke, limited to 40.
    ArrowLayer outlined = arrow({20, 50}, {120, 50}, 4);
    outlined.headOutline = true;
    outlined.headOutlineWidth = 20;
    EXPECT_DOUBLE_EQ(outlined.headOutlineExcess(), 8);
    EXPECT_TRUE(outlined.hitTest({141.9, 50}));
    EXPECT_FALSE(outlined.hitTest({142.1, 50}));
    outlined.headOutlineWidth = 100;
    EXPECT_DOUBLE_EQ(outlined.outlineWidth(), 40);
    EXPECT_DOUBLE_EQ(outlined.headOutlineExcess(), 18);
    outlined.headOutlineWidth = 0.1;
    EXPECT_DOUBLE_EQ(outlined.outlineWidth(), 0.5);
    EXPECT_DOUBLE_EQ(outlined.headOutlineExcess(), 0);
    outlined.headOutline = false;
    outlined.headOutlineWidth = 20;
    EXPECT_DOUBLE_EQ(outlined.headOutlineExcess(), 0);
}

TEST(ArrowLayerTest, CurvesAreHitAlongTheCurveWithHeadsAlongTheTangents) {
    ArrowLayer a = arrow({20, 100}, {140, 100}, 4);
    a.headStyle = ArrowHeadStyle::none;
    a.controlPoint = QPointF(80, 0); // the curve peaks at y = 50
    EXPECT_TRUE(a.hitTest({80, 50}));
    EXPECT_TRUE(a.hitTest({80, 57.5}));
    EXPECT_FALSE(a.hitTest({80, 100})); // on the chord, far from the curve
    a.controlPoint = QPointF(20, 0);    // cubic, symmetric: its middle is at y = 25
    a.controlPoint2 = QPointF(140, 0);
    EXPECT_TRUE(a.hitTest({80, 25}));
    EXPECT_FALSE(a.hitTest({80, 50}));

    ArrowLayer b = arrow({0, 0}, {100, 0}, 4);
    b.controlPoint = QPointF(50, -50);
    const double r = std::sqrt(0.5);
    EXPECT_NEAR(b.headDirection(true).x(), r, 1e-9); // along end - controlPoint
    EXPECT_NEAR(b.headDirection(true).y(), r, 1e-9);
    EXPECT_NEAR(b.headDirection(false).x(), -r, 1e-9); // along start - controlPoint
    EXPECT_NEAR(b.headDirection(false).y(), r, 1e-9);
    b.controlPoint2 = QPointF(100, 40); // the end head now follows end - controlPoint2
    EXPECT_NEAR(b.headDirection(true).x(), 0, 1e-9);
    EXPECT_NEAR(b.headDirection(true).y(), -1, 1e-9);
    EXPECT_NEAR(b.headDirection(false).x(), -r, 1e-9);
    // Drawn, the end head points up along the curve's approach, not along the chord.
    ArrowLayer c = arrow({20, 20}, {120, 30}, 4);
    c.controlPoint = QPointF(40, 110);
    c.controlPoint2 = QPointF(120, 110);
    const QImage img = render(c, canvas(160, 120));
    EXPECT_GT(qAlpha(img.pixel(120, 40)), 200);
    EXPECT_EQ(qAlpha(img.pixel(120, 26)), 0);
    EXPECT_EQ(qAlpha(img.pixel(108, 32)), 0);
    EXPECT_GT(qAlpha(img.pixel(80, 88)), 200);
}
