#include "document/CalloutLayer.h"
#include "document/CalloutShapes.h"
#include "support/Drawing.h"

#include <gtest/gtest.h>
#include <numbers>

using namespace mebo;
using test::near;

namespace {

const QColor kPaper(244, 245, 247);

CalloutLayer callout(QRectF rect, CalloutShape shape = CalloutShape::speechBubble) {
    CalloutLayer layer;
    layer.rect = rect;
    layer.shape = shape;
    layer.color = QColor(255, 249, 196);
    layer.textColor = QColor(33, 33, 33);
    layer.fontSize = 14;
    return layer;
}

QImage drawn(const CalloutLayer& layer, int w = 160, int h = 140) {
    return test::render(layer, test::canvas(w, h, kPaper));
}

} // namespace

TEST(CalloutLayerTest, TailLeavesTheFacingEdgeClearOfTheCorners) {
    CalloutLayer layer = callout({0, 0, 200, 100}); // radius 22, half-width 7.7
    const auto below = layer.tailGeometry({100, 160});
    ASSERT_TRUE(below);
    EXPECT_EQ(below->edge, CalloutTailAnchor::bottom);
    EXPECT_EQ(below->baseCenter, QPointF(100, 100));
    EXPECT_NEAR(below->base1.x(), 100 - 7.7, 1e-9);
    EXPECT_NEAR(below->base2.x(), 100 + 7.7, 1e-9);
    EXPECT_EQ(below->base1.y(), 100);
    EXPECT_EQ(layer.tailGeometry({-50, 40})->baseCenter, QPointF(0, 40));
    EXPECT_EQ(layer.tailGeometry({-50, 40})->edge, CalloutTailAnchor::left);
    EXPECT_EQ(layer.tailGeometry({60, -10})->edge, CalloutTailAnchor::top);
    EXPECT_EQ(layer.tailGeometry({260, 90})->edge, CalloutTailAnchor::right);
    // The tip's side of the box's diagonals decides, not the nearer edge line.
    EXPECT_EQ(layer.tailGeometry({230, 140})->edge, CalloutTailAnchor::bottom);
    // Held at half-width plus radius from the edge's end.
    EXPECT_NEAR(layer.tailGeometry({195, 200})->baseCenter.x(), 200 - 7.7 - 22, 1e-9);
    EXPECT_EQ(layer.tailGeometry({300, 5})->edge, CalloutTailAnchor::right);
    EXPECT_NEAR(layer.tailGeometry({300, 5})->baseCenter.y(), 7.7 + 22, 1e-9);

    // An edge too short for the radius as margin: the margin is limited to 4; shorter still, the
    // middle of the edge.
    CalloutLayer tall = callout({0, 0, 40, 200});
    tall.cornerRadius = 20; // half-width 7; 40 < 2 x (7 + 20)
    tall.tailAnchor = CalloutTailAnchor::top;
    EXPECT_NEAR(tall.tailGeometry({100, -50})->baseCenter.x(), 40 - 7 - 4, 1e-9);
    CalloutLayer thin = callout({0, 0, 14, 200});
    thin.cornerRadius = 7; // half-width 3.08; 14 < 2 x (3.08 + 4)
    thin.tailAnchor = CalloutTailAnchor::top;
    EXPECT_NEAR(thin.tailGeometry({100, -50})->baseCenter.x(), 7, 1e-9);

    // An anchor overrides the facing edge.
    layer.tailAnchor = CalloutTailAnchor::left;
    const auto anchored = layer.tailGeometry({100, 200});
    EXPECT_EQ(anchored->edge, CalloutTailAnchor::left);
    EXPECT_EQ(anchored->baseCenter.x(), 0);
    EXPECT_NEAR(anchored->baseCenter.y(), 100 - 7.7 - 22, 1e-9);
    layer.tailAnchor = CalloutTailAnchor::auto_;

    // Rotated a quarter turn: below the centre on screen is right of the body in its own frame.
    layer.rotation = std::numbers::pi / 2;
    const auto turned = layer.tailGeometry({100, 200});
    EXPECT_EQ(turned->edge, CalloutTailAnchor::right);
    EXPECT_NEAR(turned->tip.x(), 250, 1e-9);
    EXPECT_NEAR(turned->tip.y(), 50, 1e-9);
}

TEST(CalloutLayerTest, TipInsideOrOnTheBodyDrawsNoTail) {
    CalloutLayer layer = callout({20, 20, 120, 70});
    layer.outlineColor = QColor(80, 80, 80);
    EXPECT_FALSE(layer.tailGeometry({80, 50}));
    EXPECT_FALSE(layer.tailGeometry({80, 90.4})); // within 0.5 of the bottom edge
    EXPECT_TRUE(layer.tailGeometry({80, 91}));
    EXPECT_TRUE(layer.tailGeometry({21, 21})); // outside the rounded corner
    const QImage withoutTail = drawn(layer);
    const QRectF bounds = layer.bounds();
    layer.tails = {{80, 50}};
    EXPECT_EQ(drawn(layer), withoutTail);
    EXPECT_EQ(layer.bounds(), bounds);
}

TEST(CalloutLayerTest, TailStylesChangeWhatIsBoundedAndHit) {
    CalloutLayer layer = callout({20, 20, 120, 60});
    layer.tails = {{60, 125}};
    const auto tail = layer.tailGeometry(layer.tails.first());
    ASSERT_TRUE(tail);
    EXPECT_TRUE(layer.hitTest(tail->tip - QPointF(0, 4)));
    layer.tailStyle = CalloutTailStyle::none; // no tail drawn, bounded or hit
    EXPECT_LT(layer.bounds().bottom(), 81.1);
    EXPECT_FALSE(layer.hitTest(tail->tip));
    CalloutLayer arrowed = callout({20, 20, 100, 50});
    arrowed.tailStyle = CalloutTailStyle::arrow;
    arrowed.tails = {{150, 130}};
    EXPECT_TRUE(arrowed.bounds().contains(arrowed.tailGeometry(arrowed.tails.first())->tip));
}

TEST(CalloutLayerTest, HitTestCoversTheTurnedBodyAndTails) {
    CalloutLayer layer = callout({20, 20, 120, 60});
    layer.tails = {{60, 125}};
    const std::pair<QPointF, bool> probes[] = {
        {{80, 50}, true},  {{143, 50}, true},   {{146, 50}, false}, // within 4 of the body
        {{60, 120}, true}, {{120, 120}, false}, {{21, 21}, false}}; // the wedge; a rounded corner
    for (const auto& [point, hit] : probes) {
        EXPECT_EQ(layer.hitTest(point), hit) << point.x() << "," << point.y();
    }
    layer.tailStyle = CalloutTailStyle::arrow;
    layer.tails = {{200, 50}};
    EXPECT_TRUE(layer.hitTest({170, 50}));
    EXPECT_TRUE(layer.hitTest({199, 50}));
    EXPECT_FALSE(layer.hitTest({170, 70}));

    CalloutLayer turned = callout({0, 40, 200, 40}, CalloutShape::rectangle);
    turned.rotation = std::numbers::pi / 2;
    EXPECT_TRUE(turned.hitTest({100, 0}));
    EXPECT_FALSE(turned.hitTest({10, 60}));
}

TEST(CalloutLayerTest, TextIsInsetByPaddingCentredAndWrapped) {
    CalloutLayer layer = callout({10, 10, 160, 80}, CalloutShape::rectangle);
    EXPECT_EQ(layer.textRect(), QRectF(18, 18, 144, 64));
    layer.padding = 500;
    EXPECT_EQ(layer.textRect().size(), QSizeF(0, 0));
    layer.padding = 8;
    layer.text = QStringLiteral("a long sentence that has to wrap inside the callout");
    const AnnotationTextLayout layout(layer.text, layer.textStyle(), layer.textRect().width());
    EXPECT_GE(layout.lines().size(), 3);
    for (const auto& line : layout.lines()) {
        EXPECT_LE(line.width, 144.01);
        EXPECT_NEAR(line.x + line.width / 2, 72, 0.01); // centred by default
    }
}

TEST(CalloutLayerTest, ShapesStayInsideTheirBox) {
    const QRectF box(10, 10, 160, 100);
    for (CalloutShape shape : allCases<CalloutShape>()) {
        const QPainterPath path = callout(box, shape).localBodyPath();
        EXPECT_TRUE(box.adjusted(-0.5, -0.5, 0.5, 0.5).contains(path.boundingRect()))
            << rawValue(shape).toStdString();
        EXPECT_GT(path.boundingRect().width(), 0.9 * box.width()) << rawValue(shape).toStdString();
        EXPECT_TRUE(path.contains(box.center())) << rawValue(shape).toStdString();
    }
    // The arrow end: the middle of the right edge belongs to it, its corners do not.
    const QPainterPath arrow = callout(box, CalloutShape::arrowRight).localBodyPath();
    EXPECT_TRUE(arrow.contains(QPointF(168, 60)));
    EXPECT_FALSE(arrow.contains(QPointF(168, 12)));
    EXPECT_TRUE(arrow.contains(QPointF(12, 12)));
    // The cloud's outline goes in and out: its bumps reach the box but the cusps lie inside.
    const QPainterPath cloud = callout(box, CalloutShape::cloud).localBodyPath();
    const double bump = CalloutShapes::cloudBumpSize(box, 18);
    EXPECT_TRUE(cloud.contains(QPointF(90, 10 + bump + 2)));
    EXPECT_FALSE(cloud.contains(QPointF(12, 12)));
    int crossings = 0;
    for (double x = 10.5; x <= 170; x += 0.5) {
        crossings += cloud.contains(QPointF(x, 16)) != cloud.contains(QPointF(x - 0.5, 16));
    }
    EXPECT_GE(crossings, 4);
}
