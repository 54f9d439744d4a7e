#include "document/CalloutLayer.h"

#include "document/CalloutShapes.h"
#include "support/ReferenceImage.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <numbers>

using namespace mebo;

namespace {

const QColor kPaper(244, 245, 247);

QImage canvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(kPaper);
    return image;
}

void render(QImage& image, const DrawingLayer& layer) {
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    layer.draw(painter, image);
}

CalloutLayer callout(QRectF rect, CalloutShape shape = CalloutShape::speechBubble) {
    CalloutLayer layer;
    layer.rect = rect;
    layer.shape = shape;
    layer.color = QColor(255, 249, 196);
    layer.textColor = QColor(33, 33, 33);
    layer.fontSize = 14;
    return layer;
}

bool near(QRgb pixel, QColor expected, int tolerance = 12) {
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

} // namespace

TEST(CalloutLayerTest, DefaultCornerRadiusDependsOnTheShape) {
    EXPECT_DOUBLE_EQ(callout({0, 0, 100, 60}).effectiveCornerRadius(), 18);  // 13.2 raised to 18
    EXPECT_DOUBLE_EQ(callout({0, 0, 400, 300}).effectiveCornerRadius(), 48); // 66 lowered to 48
    EXPECT_DOUBLE_EQ(callout({0, 0, 200, 150}).effectiveCornerRadius(), 33);
    EXPECT_DOUBLE_EQ(callout({0, 0, 200, 150}, CalloutShape::rectangle).effectiveCornerRadius(), 0);
    EXPECT_DOUBLE_EQ(callout({0, 0, 200, 150}, CalloutShape::arrowRight).effectiveCornerRadius(), 0);
    EXPECT_DOUBLE_EQ(callout({0, 0, 200, 150}, CalloutShape::roundedRect).effectiveCornerRadius(), 24);
    EXPECT_DOUBLE_EQ(callout({0, 0, 200, 150}, CalloutShape::cloud).effectiveCornerRadius(), 18);
    // A set radius wins and is limited to half the short side.
    CalloutLayer set = callout({0, 0, 100, 60}, CalloutShape::rectangle);
    set.cornerRadius = 12;
    EXPECT_DOUBLE_EQ(set.effectiveCornerRadius(), 12);
    set.cornerRadius = 100;
    EXPECT_DOUBLE_EQ(set.effectiveCornerRadius(), 30);
    set.cornerRadius = -5;
    EXPECT_DOUBLE_EQ(set.effectiveCornerRadius(), 0);
    // A box drawn from its bottom-right corner measures the same.
    EXPECT_DOUBLE_EQ(callout({400, 300, -400, -300}).effectiveCornerRadius(), 48);
}

TEST(CalloutLayerTest, TailSizeAndHalfWidth) {
    EXPECT_DOUBLE_EQ(callout({0, 0, 100, 60}).effectiveTailSize(), 8);
    EXPECT_DOUBLE_EQ(callout({0, 0, 150, 120}).effectiveTailSize(), 12);
    EXPECT_DOUBLE_EQ(callout({0, 0, 400, 300}).effectiveTailSize(), 18);
    CalloutLayer set = callout({0, 0, 100, 60});
    set.tailSize = 20;
    EXPECT_DOUBLE_EQ(set.effectiveTailSize(), 20);
    set.tailSize = 80;
    EXPECT_DOUBLE_EQ(set.effectiveTailSize(), 30); // half the short side
    set.tailSize = 2;
    EXPECT_DOUBLE_EQ(set.effectiveTailSize(), 6);

    // 0.35 x corner radius.
    EXPECT_NEAR(callout({0, 0, 100, 60}).tailHalfWidth(), 6.3, 1e-9);
    EXPECT_NEAR(callout({0, 0, 400, 300}).tailHalfWidth(), 16.8, 1e-9);
    // At most 0.22 x the short side.
    EXPECT_NEAR(callout({0, 0, 100, 20}).tailHalfWidth(), 4.4, 1e-9); // radius 18 would give 6.3
    // Square corners still get three quarters of the tail size.
    EXPECT_NEAR(callout({0, 0, 100, 60}, CalloutShape::rectangle).tailHalfWidth(), 6, 1e-9);
}

TEST(CalloutLayerTest, TailLeavesTheFacingEdge) {
    CalloutLayer layer = callout({0, 0, 200, 100}); // radius 22, half-width 7.7
    const auto below = layer.tailGeometry({100, 160});
    ASSERT_TRUE(below);
    EXPECT_EQ(below->edge, CalloutTailAnchor::bottom);
    EXPECT_EQ(below->baseCenter, QPointF(100, 100));
    EXPECT_NEAR(below->base1.x(), 100 - 7.7, 1e-9);
    EXPECT_NEAR(below->base2.x(), 100 + 7.7, 1e-9);
    EXPECT_EQ(below->base1.y(), 100);

    const auto left = layer.tailGeometry({-50, 40});
    ASSERT_TRUE(left);
    EXPECT_EQ(left->edge, CalloutTailAnchor::left);
    EXPECT_EQ(left->baseCenter, QPointF(0, 40));

    const auto above = layer.tailGeometry({60, -10});
    ASSERT_TRUE(above);
    EXPECT_EQ(above->edge, CalloutTailAnchor::top);

    const auto right = layer.tailGeometry({260, 90});
    ASSERT_TRUE(right);
    EXPECT_EQ(right->edge, CalloutTailAnchor::right);
    // The tip's side of the box's diagonals decides, not the nearer edge line: this tip is 30 from
    // the right edge's line and 40 from the bottom's, but lies below the diagonal.
    const auto diagonal = layer.tailGeometry({230, 140});
    ASSERT_TRUE(diagonal);
    EXPECT_EQ(diagonal->edge, CalloutTailAnchor::bottom);
}

TEST(CalloutLayerTest, TailBaseKeepsClearOfTheCorners) {
    CalloutLayer layer = callout({0, 0, 200, 100}); // radius 22, half-width 7.7
    // Far to the right below: held at half-width plus radius from the edge's end.
    const auto clamped = layer.tailGeometry({195, 200});
    ASSERT_TRUE(clamped);
    EXPECT_EQ(clamped->edge, CalloutTailAnchor::bottom);
    EXPECT_NEAR(clamped->baseCenter.x(), 200 - 7.7 - 22, 1e-9);
    const auto high = layer.tailGeometry({300, 5});
    ASSERT_TRUE(high);
    EXPECT_EQ(high->edge, CalloutTailAnchor::right);
    EXPECT_NEAR(high->baseCenter.y(), 7.7 + 22, 1e-9);

    // An edge too short for the radius as margin: the margin is limited to 4.
    CalloutLayer tall = callout({0, 0, 40, 200});
    tall.cornerRadius = 20; // half-width min(max(7, 6), 8.8) = 7; 40 < 2 x (7 + 20)
    tall.tailAnchor = CalloutTailAnchor::top;
    const auto limited = tall.tailGeometry({100, -50});
    ASSERT_TRUE(limited);
    EXPECT_EQ(limited->edge, CalloutTailAnchor::top);
    EXPECT_NEAR(limited->baseCenter.x(), 40 - 7 - 4, 1e-9);

    // Too short even for that: the middle of the edge.
    CalloutLayer thin = callout({0, 0, 14, 200});
    thin.cornerRadius = 7; // half-width min(max(2.45, 6), 3.08) = 3.08; 14 < 2 x (3.08 + 4)
    thin.tailAnchor = CalloutTailAnchor::top;
    const auto middle = thin.tailGeometry({100, -50});
    ASSERT_TRUE(middle);
    EXPECT_NEAR(middle->baseCenter.x(), 7, 1e-9);
}

TEST(CalloutLayerTest, AnchorOverridesTheFacingEdge) {
    CalloutLayer layer = callout({0, 0, 200, 100});
    layer.tailAnchor = CalloutTailAnchor::left;
    const auto tail = layer.tailGeometry({100, 200});
    ASSERT_TRUE(tail);
    EXPECT_EQ(tail->edge, CalloutTailAnchor::left);
    EXPECT_EQ(tail->baseCenter.x(), 0);
    EXPECT_NEAR(tail->baseCenter.y(), 100 - 7.7 - 22, 1e-9);
    layer.tailAnchor = CalloutTailAnchor::auto_;
    EXPECT_EQ(layer.tailGeometry({100, 200})->edge, CalloutTailAnchor::bottom);
}

TEST(CalloutLayerTest, TailsFollowTheRotation) {
    CalloutLayer layer = callout({0, 0, 200, 100});
    layer.rotation = std::numbers::pi / 2; // a quarter turn clockwise on screen
    // Below the centre on screen is to the right of the body in its own frame.
    const auto tail = layer.tailGeometry({100, 50 + 150});
    ASSERT_TRUE(tail);
    EXPECT_EQ(tail->edge, CalloutTailAnchor::right);
    EXPECT_NEAR(tail->tip.x(), 250, 1e-9);
    EXPECT_NEAR(tail->tip.y(), 50, 1e-9);
}

TEST(CalloutLayerTest, TipInsideOrOnTheBodyDrawsNoTail) {
    CalloutLayer layer = callout({20, 20, 120, 70});
    layer.outlineColor = QColor(80, 80, 80);
    EXPECT_FALSE(layer.tailGeometry({80, 50}));
    EXPECT_FALSE(layer.tailGeometry({80, 90.4})); // within 0.5 of the bottom edge
    EXPECT_TRUE(layer.tailGeometry({80, 91}));    // 1 outside
    EXPECT_TRUE(layer.tailGeometry({21, 21}));    // outside the rounded corner

    QImage withInsideTip = canvas(160, 140);
    layer.tails = {{80, 50}};
    render(withInsideTip, layer);
    QImage withoutTail = canvas(160, 140);
    layer.tails = {};
    render(withoutTail, layer);
    EXPECT_EQ(withInsideTip, withoutTail);
    CalloutLayer inside = callout({20, 20, 120, 70});
    inside.tails = {{80, 50}};
    EXPECT_EQ(inside.bounds(), callout({20, 20, 120, 70}).bounds());
}

TEST(CalloutLayerTest, TriangleTailIsOneShapeWithTheBody) {
    CalloutLayer layer = callout({20, 20, 120, 60});
    layer.outlineColor = QColor(20, 20, 20);
    layer.outlineWidth = 2;
    layer.tails = {{60, 125}};
    QImage image = canvas(160, 140);
    render(image, layer);
    const auto tail = layer.tailGeometry(layer.tails.first());
    ASSERT_TRUE(tail);
    // Where the wedge meets the body there is no outline across it.
    const int baseX = int(tail->baseCenter.x());
    EXPECT_TRUE(near(image.pixel(baseX, 80), layer.color));
    EXPECT_TRUE(near(image.pixel(baseX, 79), layer.color));
    // The wedge is filled with the body colour and outlined.
    EXPECT_TRUE(near(image.pixel(int((tail->baseCenter.x() + 60) / 2), 95), layer.color));
    EXPECT_LT(qGray(image.pixel(int(tail->tip.x()), int(tail->tip.y()) - 1)), 120);
    // Beside the wedge: the paper.
    EXPECT_TRUE(near(image.pixel(baseX + 20, 100), kPaper));
    // The body's outline continues along the bottom edge away from the tail.
    EXPECT_LT(qGray(image.pixel(110, 80)), 90);
}

TEST(CalloutLayerTest, TailColourAndStyleNone) {
    CalloutLayer layer = callout({20, 20, 120, 60});
    layer.tails = {{60, 125}};
    layer.tailColor = QColor(0, 150, 136);
    QImage image = canvas(160, 140);
    render(image, layer);
    const auto tail = layer.tailGeometry(layer.tails.first());
    ASSERT_TRUE(tail);
    const QPointF inWedge = (tail->baseCenter + tail->baseCenter + tail->tip) / 3 + QPointF(0, 4);
    EXPECT_TRUE(near(image.pixel(inWedge.toPoint()), *layer.tailColor));
    EXPECT_TRUE(near(image.pixel(80, 70), layer.color));

    layer.tailStyle = CalloutTailStyle::none;
    QImage none = canvas(160, 140);
    render(none, layer);
    EXPECT_TRUE(near(none.pixel(inWedge.toPoint()), kPaper));
    EXPECT_LT(layer.bounds().bottom(), 81.1);
    EXPECT_FALSE(layer.hitTest(tail->tip));
}

TEST(CalloutLayerTest, ArrowTailEndsInAHead) {
    CalloutLayer layer = callout({20, 20, 100, 50});
    layer.tailStyle = CalloutTailStyle::arrow;
    layer.tails = {{150, 130}};
    layer.tailSize = 24;
    layer.tailColor = QColor(211, 47, 47);
    QImage image = canvas(170, 150);
    render(image, layer);
    const auto tail = layer.tailGeometry(layer.tails.first());
    ASSERT_TRUE(tail);
    const QPointF tip = tail->tip;
    const QPointF direction =
        (tip - tail->baseCenter) / std::hypot(tip.x() - tail->baseCenter.x(), tip.y() - tail->baseCenter.y());
    // On the shaft halfway, and inside the head just before the tip.
    const QPointF halfway = (tail->baseCenter + tip) / 2;
    EXPECT_TRUE(near(image.pixel(halfway.toPoint()), *layer.tailColor, 30));
    EXPECT_TRUE(near(image.pixel((tip - direction * 4).toPoint()), *layer.tailColor, 30));
    // The head is wider than the shaft.
    const QPointF side(-direction.y(), direction.x());
    const QPointF besideHead = tip - direction * 14 + side * 5;
    const QPointF besideShaft = halfway + side * 5;
    EXPECT_TRUE(near(image.pixel(besideHead.toPoint()), *layer.tailColor, 40));
    EXPECT_TRUE(near(image.pixel(besideShaft.toPoint()), kPaper, 20));
    // The body is drawn over where the arrow starts.
    EXPECT_TRUE(near(image.pixel(int(tail->baseCenter.x()), int(tail->baseCenter.y()) - 2), layer.color));
    EXPECT_TRUE(layer.bounds().contains(tip));
}

TEST(CalloutLayerTest, HitTestCoversBodyAndTails) {
    CalloutLayer layer = callout({20, 20, 120, 60});
    layer.tails = {{60, 125}};
    EXPECT_TRUE(layer.hitTest({80, 50}));   // inside
    EXPECT_TRUE(layer.hitTest({143, 50}));  // 3 beyond the right edge
    EXPECT_FALSE(layer.hitTest({146, 50})); // 6 beyond
    EXPECT_TRUE(layer.hitTest({60, 120}));  // in the wedge near the tip
    EXPECT_FALSE(layer.hitTest({120, 120}));
    EXPECT_FALSE(layer.hitTest({21, 21})); // cut off by the rounded corner

    layer.tailStyle = CalloutTailStyle::arrow;
    layer.tails = {{200, 50}};
    EXPECT_TRUE(layer.hitTest({170, 50}));
    EXPECT_TRUE(layer.hitTest({199, 50}));
    EXPECT_FALSE(layer.hitTest({170, 70}));

    // Rotated: a point inside the turned body but outside the unturned rect.
    CalloutLayer turned = callout({0, 40, 200, 40});
    turned.rotation = std::numbers::pi / 2;
    EXPECT_TRUE(turned.hitTest({100, 0}));
    EXPECT_FALSE(turned.hitTest({10, 60}));
}

TEST(CalloutLayerTest, BoundsHoldTheRotatedBodyAndItsTails) {
    CalloutLayer layer = callout({0, 40, 200, 40}, CalloutShape::rectangle);
    EXPECT_EQ(layer.bounds(), QRectF(0, 40, 200, 40));
    layer.rotation = std::numbers::pi / 2;
    const QRectF turned = layer.bounds();
    EXPECT_NEAR(turned.left(), 80, 1e-6);
    EXPECT_NEAR(turned.top(), -40, 1e-6);
    EXPECT_NEAR(turned.width(), 40, 1e-6);
    EXPECT_NEAR(turned.height(), 200, 1e-6);

    CalloutLayer tailed = callout({0, 0, 100, 60});
    tailed.outlineColor = Qt::black;
    tailed.outlineWidth = 4;
    tailed.tails = {{50, 120}, {-40, 30}};
    const QRectF bounds = tailed.bounds();
    EXPECT_LE(bounds.bottom(), 123);
    EXPECT_GE(bounds.bottom(), 120);
    EXPECT_LE(bounds.left(), -40);
    EXPECT_GE(bounds.left(), -43);
}

TEST(CalloutLayerTest, TextIsInsetByPaddingAndCentred) {
    CalloutLayer layer = callout({10, 10, 160, 80}, CalloutShape::rectangle);
    EXPECT_EQ(layer.textRect(), QRectF(18, 18, 144, 64));
    layer.padding = 20;
    EXPECT_EQ(layer.textRect(), QRectF(30, 30, 120, 40));
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
    EXPECT_EQ(layer.fontWeight, TextFontWeight::semibold);

    QImage image = canvas(180, 100);
    layer.text = QStringLiteral("WWW");
    layer.textColor = QColor(0, 0, 200);
    render(image, layer);
    int left = 180;
    int right = 0;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 180; ++x) {
            if (near(image.pixel(x, y), layer.textColor, 40)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_LT(left, right);
    EXPECT_NEAR((left + right) / 2.0, 90, 2);
}

TEST(CalloutLayerTest, FillUsesTheGradientWhenSet) {
    CalloutLayer layer = callout({0, 0, 200, 60}, CalloutShape::rectangle);
    layer.gradient = GradientFill{QColor(255, 0, 0), QColor(0, 0, 255), 0};
    QImage image = canvas(200, 60);
    render(image, layer);
    EXPECT_GT(qRed(image.pixel(10, 30)), 180);
    EXPECT_LT(qBlue(image.pixel(10, 30)), 80);
    EXPECT_GT(qBlue(image.pixel(190, 30)), 180);
    EXPECT_LT(qRed(image.pixel(190, 30)), 80);
}

TEST(CalloutLayerTest, ShapesStayInsideTheirBox) {
    const QRectF box(10, 10, 160, 100);
    for (CalloutShape shape : allCases<CalloutShape>()) {
        CalloutLayer layer = callout(box, shape);
        const QRectF outline = layer.localBodyPath().boundingRect();
        EXPECT_TRUE(box.adjusted(-0.5, -0.5, 0.5, 0.5).contains(outline)) << rawValue(shape).toStdString();
        EXPECT_GT(outline.width(), 0.9 * box.width()) << rawValue(shape).toStdString();
        EXPECT_TRUE(layer.localBodyPath().contains(box.center())) << rawValue(shape).toStdString();
    }
    // The arrow end: the middle of the right edge belongs to it, its corners do not.
    const QPainterPath arrow = callout(box, CalloutShape::arrowRight).localBodyPath();
    EXPECT_TRUE(arrow.contains(QPointF(168, 60)));
    EXPECT_FALSE(arrow.contains(QPointF(168, 12)));
    EXPECT_TRUE(arrow.contains(QPointF(12, 12)));
    // The cloud's outline goes in and out: its bumps reach the box but the cusps lie inside.
    const QPainterPath cloud = callout(box, CalloutShape::cloud).localBodyPath();
    const double bump = CalloutShapes::cloudBumpSize(box, 18);
    EXPECT_DOUBLE_EQ(bump, 0.75 * 18);
    EXPECT_TRUE(cloud.contains(QPointF(90, 10 + bump + 2)));
    EXPECT_FALSE(cloud.contains(QPointF(12, 12)));
    int crossings = 0;
    bool inside = cloud.contains(QPointF(10, 16));
    for (double x = 10; x <= 170; x += 0.5) {
        const bool now = cloud.contains(QPointF(x, 16));
        crossings += now != inside;
        inside = now;
    }
    EXPECT_GE(crossings, 4); // separate bumps along the top
}

TEST(CalloutLayerTest, TailLineStyleSplitsTheOutline) {
    CalloutLayer layer = callout({20, 20, 120, 60});
    layer.outlineColor = QColor(20, 20, 20);
    layer.outlineWidth = 2;
    layer.tails = {{60, 135}};
    layer.tailLineStyle = ArrowLineStyle::dotted;
    QImage image = canvas(160, 150);
    render(image, layer);
    const auto tail = layer.tailGeometry(layer.tails.first());
    ASSERT_TRUE(tail);
    // Walk along the wedge's left side: dotted, so light gaps between dark dots.
    int dark = 0;
    int light = 0;
    for (int i = 10; i <= 40; ++i) {
        const QPointF p = tail->base1 + (tail->tip - tail->base1) * (i / 50.0);
        const int gray = qGray(image.pixel(p.toPoint()));
        dark += gray < 110;
        light += gray > 180;
    }
    EXPECT_GT(dark, 3);
    EXPECT_GT(light, 3);
    // The body keeps its solid outline.
    for (int x = 100; x < 120; ++x) {
        EXPECT_LT(qGray(image.pixel(x, 80)), 110) << x;
    }
}

TEST(CalloutLayerTest, TranslatedMovesBodyAndTails) {
    CalloutLayer layer = callout({0, 0, 100, 60});
    layer.tails = {{50, 100}, {-30, 10}};
    layer.isLocked = true;
    layer.cornerRadius = 7;
    const auto moved = std::dynamic_pointer_cast<CalloutLayer>(layer.translated(10, 20));
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->rect, QRectF(10, 20, 100, 60));
    EXPECT_EQ(moved->tails, (QList<QPointF>{{60, 120}, {-20, 30}}));
    EXPECT_FALSE(moved->isLocked);
    EXPECT_EQ(moved->cornerRadius, 7);
}

namespace {

QImage referenceCallout(CalloutShape shape, CalloutTailStyle tailStyle) {
    QImage image = canvas(150, 110);
    CalloutLayer layer = callout({8, 8, 134, 64}, shape);
    layer.text = QStringLiteral("Saved!");
    layer.fontSize = 16;
    layer.color = QColor(255, 255, 255);
    layer.outlineColor = QColor(55, 71, 79);
    layer.outlineWidth = 2;
    layer.tailStyle = tailStyle;
    layer.tails = {{44, 104}};
    layer.shadow = ShadowStyle::soft;
    if (shape == CalloutShape::cloud) {
        layer.color = QColor(227, 242, 253);
    }
    render(image, layer);
    return image;
}

} // namespace

TEST(CalloutLayerTest, ReferenceShapesWithTriangleTails) {
    for (CalloutShape shape : allCases<CalloutShape>()) {
        EXPECT_TRUE(test::matchesReference(referenceCallout(shape, CalloutTailStyle::triangle),
                                           QStringLiteral("callout_") + rawValue(shape)));
    }
}

TEST(CalloutLayerTest, ReferenceArrowTail) {
    QImage image = canvas(150, 110);
    CalloutLayer layer = callout({8, 8, 110, 56}, CalloutShape::roundedRect);
    layer.text = QStringLiteral("New\nfeature");
    layer.fontSize = 14;
    layer.color = QColor(255, 112, 67);
    layer.textColor = Qt::white;
    layer.gradient = GradientFill{QColor(255, 138, 101), QColor(244, 81, 30), std::numbers::pi / 2};
    layer.tailStyle = CalloutTailStyle::arrow;
    layer.tailColor = QColor(244, 81, 30);
    layer.tails = {{140, 100}};
    layer.shadow = ShadowStyle::soft;
    render(image, layer);
    EXPECT_TRUE(test::matchesReference(image, "callout_arrow_tail"));
}
