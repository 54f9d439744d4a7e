#include "document/ArrowLayer.h"
#include "document/DocumentFlattener.h"
#include "support/ReferenceImage.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

QImage canvas(int w = 160, int h = 120, QColor fill = Qt::transparent) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

using test::render;

ArrowLayer arrow(QPointF start, QPointF end, double width = 4) {
    ArrowLayer a;
    a.start = start;
    a.end = end;
    a.strokeWidth = width;
    a.color = QColor(230, 40, 50);
    a.shadow = ShadowStyle::none;
    return a;
}

// Pixels of column x (or row y) that are more than half covered.
int coveredInColumn(const QImage& img, int x) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y) {
        n += qAlpha(img.pixel(x, y)) > 127;
    }
    return n;
}

int paintedPixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            n += qAlpha(img.pixel(x, y)) > 0;
        }
    }
    return n;
}

bool near(QRgb pixel, QColor expected, int tolerance = 6) {
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

} // namespace

TEST(ArrowLayerTest, HeadLengthsFollowSizeButNeverFallBelowThreeAndAHalfStrokes) {
    ArrowLayer a = arrow({0, 0}, {100, 0}, 10);
    a.headSize = 12;
    a.endSize = 2;
    a.startSize = 5;
    EXPECT_DOUBLE_EQ(a.endHeadLength(), 35); // 12 x 2 = 24 is below 3.5 x 10
    EXPECT_DOUBLE_EQ(a.startHeadLength(), 60);
    a.strokeWidth = 2;
    EXPECT_DOUBLE_EQ(a.endHeadLength(), 24);
    EXPECT_DOUBLE_EQ(a.startHeadLength(), 60);
}

TEST(ArrowLayerTest, HeadIsASixtyDegreeTriangleWithItsPointOnTheArrowsEnd) {
    ArrowLayer a = arrow({10, 20}, {110, 20}, 4);
    a.headSize = 20; // L = 20
    a.headStyle = ArrowHeadStyle::both;
    const QPolygonF tip = a.headTriangle(true);
    ASSERT_EQ(tip.size(), 3);
    EXPECT_EQ(tip[0], QPointF(110, 20));
    // Base 0.866 L behind the point, L wide.
    EXPECT_NEAR(tip[1].x(), 110 - 20 * std::cos(M_PI / 6), 1e-9);
    EXPECT_NEAR(std::abs(tip[1].y() - tip[2].y()), 20, 1e-9);
    EXPECT_NEAR(tip[1].x(), tip[2].x(), 1e-9);
    const QPolygonF tail = a.headTriangle(false);
    ASSERT_EQ(tail.size(), 3);
    EXPECT_EQ(tail[0], QPointF(10, 20));
    EXPECT_NEAR(tail[1].x(), 10 + 20 * std::cos(M_PI / 6), 1e-9);

    a.headStyle = ArrowHeadStyle::start;
    EXPECT_TRUE(a.headTriangle(true).isEmpty());
    EXPECT_FALSE(a.headTriangle(false).isEmpty());
    a.headStyle = ArrowHeadStyle::none;
    EXPECT_TRUE(a.headTriangle(false).isEmpty());
}

TEST(ArrowLayerTest, RenderedHeadOfAWidthTenArrowIsAtLeastThirtyFiveLong) {
    ArrowLayer a = arrow({15, 60}, {145, 60}, 10);
    a.headSize = 1; // far below the minimum
    const QImage img = render(a, canvas());
    // The base is the first column as wide as a head can be; the point the last one painted.
    int widest = 0;
    int baseX = -1;
    int tipX = -1;
    for (int x = 0; x < img.width(); ++x) {
        const int h = coveredInColumn(img, x);
        widest = std::max(widest, h);
        if (baseX < 0 && h >= 30) {
            baseX = x;
        }
        if (qAlpha(img.pixel(x, 60)) > 127) {
            tipX = x + 1;
        }
    }
    EXPECT_GE(widest, 34);                                   // the base is L wide
    EXPECT_NEAR(tipX - baseX, 35 * std::cos(M_PI / 6), 1.5); // and 0.866 L deep
    EXPECT_NEAR(tipX, 145, 1);
    EXPECT_EQ(coveredInColumn(img, 60), 10); // the shaft keeps its width
    // Nothing beyond the point.
    EXPECT_EQ(coveredInColumn(img, 147), 0);
}

TEST(ArrowLayerTest, ZeroLengthArrowDrawsNothingButItsHeadsStillHit) {
    ArrowLayer a = arrow({80, 60}, {80, 60}, 4);
    a.headStyle = ArrowHeadStyle::both;
    a.shadow = ShadowStyle::soft;
    EXPECT_EQ(paintedPixels(render(a, canvas())), 0);
    // Head length 14 (3.5 x 4) is the clickable radius round the point.
    EXPECT_TRUE(a.hitTest({80 + 13.9, 60}));
    EXPECT_FALSE(a.hitTest({80 + 14.1, 60}));
    a.headStyle = ArrowHeadStyle::none;
    EXPECT_TRUE(a.hitTest({80 + 7.9, 60})); // the shaft's own tolerance, 8
    EXPECT_FALSE(a.hitTest({80 + 8.1, 60}));
}

TEST(ArrowLayerTest, StraightHitToleranceIsEightOrOneAndAHalfStrokes) {
    ArrowLayer a = arrow({20, 50}, {120, 50}, 4);
    a.headStyle = ArrowHeadStyle::none;
    EXPECT_TRUE(a.hitTest({70, 57.9}));
    EXPECT_FALSE(a.hitTest({70, 58.1}));
    EXPECT_FALSE(a.hitTest({128.5, 50})); // beyond the end, no head
    a.strokeWidth = 10;
    EXPECT_TRUE(a.hitTest({70, 64.9}));
    EXPECT_FALSE(a.hitTest({70, 65.1}));
    // A head adds its length round its point: 35 for width 10.
    a.headStyle = ArrowHeadStyle::end;
    EXPECT_TRUE(a.hitTest({120 + 34.9, 50}));
    EXPECT_FALSE(a.hitTest({120 + 35.1, 50}));
    EXPECT_FALSE(a.hitTest({20 - 20, 50})); // no head at the tail
    a.headStyle = ArrowHeadStyle::start;
    EXPECT_TRUE(a.hitTest({20 - 20, 50}));
}

TEST(ArrowLayerTest, WideHeadOutlineEnlargesTheHeadsClickableRadius) {
    ArrowLayer a = arrow({20, 50}, {120, 50}, 4); // head length 14
    a.headOutline = true;
    a.headOutlineWidth = 20; // (20 - 4) / 2 = 8 more
    EXPECT_DOUBLE_EQ(a.headOutlineExcess(), 8);
    EXPECT_TRUE(a.hitTest({120 + 21.9, 50}));
    EXPECT_FALSE(a.hitTest({120 + 22.1, 50}));
    a.headOutlineWidth = 100; // clamped to 40
    EXPECT_DOUBLE_EQ(a.outlineWidth(), 40);
    EXPECT_DOUBLE_EQ(a.headOutlineExcess(), 18);
    a.headOutlineWidth = 0.1;
    EXPECT_DOUBLE_EQ(a.outlineWidth(), 0.5);
    EXPECT_DOUBLE_EQ(a.headOutlineExcess(), 0);
    a.headOutline = false;
    a.headOutlineWidth = 20;
    EXPECT_DOUBLE_EQ(a.headOutlineExcess(), 0);
    EXPECT_FALSE(a.hitTest({120 + 15, 50}));
}

TEST(ArrowLayerTest, CurvedArrowIsHitAlongTheCurveNotAlongItsChord) {
    ArrowLayer a = arrow({20, 100}, {140, 100}, 4);
    a.headStyle = ArrowHeadStyle::none;
    a.controlPoint = QPointF(80, 0); // the curve peaks at y = 50
    EXPECT_TRUE(a.hitTest({80, 50}));
    EXPECT_TRUE(a.hitTest({80, 57.5}));
    EXPECT_FALSE(a.hitTest({80, 100})); // on the chord, far from the curve
    // Cubic through two control points, symmetric: its middle is at y = 25.
    a.controlPoint = QPointF(20, 0);
    a.controlPoint2 = QPointF(140, 0);
    EXPECT_TRUE(a.hitTest({80, 25}));
    EXPECT_FALSE(a.hitTest({80, 50}));
}

TEST(ArrowLayerTest, CurvedHeadsPointAlongTheEndTangents) {
    ArrowLayer a = arrow({0, 0}, {100, 0}, 4);
    a.headStyle = ArrowHeadStyle::both;
    a.controlPoint = QPointF(50, -50);
    const QPointF endDir = a.headDirection(true);
    EXPECT_NEAR(endDir.x(), std::sqrt(0.5), 1e-9); // along end - controlPoint = (50, 50)
    EXPECT_NEAR(endDir.y(), std::sqrt(0.5), 1e-9);
    const QPointF startDir = a.headDirection(false);
    EXPECT_NEAR(startDir.x(), -std::sqrt(0.5), 1e-9); // along start - controlPoint
    EXPECT_NEAR(startDir.y(), std::sqrt(0.5), 1e-9);
    a.controlPoint2 = QPointF(100, 40); // the end head now follows end - controlPoint2
    EXPECT_NEAR(a.headDirection(true).x(), 0, 1e-9);
    EXPECT_NEAR(a.headDirection(true).y(), -1, 1e-9);
    EXPECT_NEAR(a.headDirection(false).x(), -std::sqrt(0.5), 1e-9);
    // The rendered end head sits below-right of the curve end's approach: it points up.
    ArrowLayer b = arrow({20, 20}, {120, 30}, 4);
    b.controlPoint = QPointF(40, 110);
    b.controlPoint2 = QPointF(120, 110);
    const QImage img = render(b, canvas());
    EXPECT_GT(qAlpha(img.pixel(120, 40)), 200); // inside the head, just behind its point
    EXPECT_EQ(qAlpha(img.pixel(120, 26)), 0);   // nothing beyond the point
    EXPECT_EQ(qAlpha(img.pixel(108, 32)), 0);   // the head is not turned along the chord
    EXPECT_GT(qAlpha(img.pixel(80, 88)), 200);  // the curve itself
}

TEST(ArrowLayerTest, BoundsHoldTheHeadsTheStrokeAndTheOutline) {
    ArrowLayer a = arrow({20, 50}, {120, 50}, 4); // head 14 long, 14 wide
    const QRectF b = a.bounds();
    EXPECT_NEAR(b.top(), 43, 1e-6);
    EXPECT_NEAR(b.bottom(), 57, 1e-6);
    EXPECT_NEAR(b.left(), 18, 1e-6); // round cap
    EXPECT_NEAR(b.right(), 120, 1e-6);
    a.headOutline = true;
    a.headOutlineWidth = 6;
    EXPECT_NEAR(a.bounds().top(), 40, 1e-6);
    EXPECT_NEAR(a.bounds().right(), 123, 1e-6);
    // Every painted pixel lies inside the bounds.
    a.headStyle = ArrowHeadStyle::both;
    a.controlPoint = QPointF(70, 5);
    const QImage img = render(a, canvas());
    const QRect box = a.bounds().toAlignedRect();
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (qAlpha(img.pixel(x, y)) > 0) {
                ASSERT_TRUE(box.adjusted(-1, -1, 1, 1).contains(x, y)) << x << "," << y;
            }
        }
    }
}

TEST(ArrowLayerTest, HeadColourFillsTheHeadAndTheShaftKeepsItsColour) {
    ArrowLayer a = arrow({20, 60}, {140, 60}, 6);
    a.headColor = QColor(20, 90, 220);
    const QImage img = render(a, canvas());
    EXPECT_TRUE(near(img.pixel(130, 60), *a.headColor));
    EXPECT_TRUE(near(img.pixel(60, 60), a.color));
}

TEST(ArrowLayerTest, HeadOutlineFramesTheHeadButNotTheShaftWhereItEnters) {
    ArrowLayer a = arrow({20, 60}, {140, 60}, 6); // head 21 long, base at x = 121.8
    a.headOutline = true;
    a.headOutlineWidth = 4;
    a.headOutlineColor = QColor(0, 0, 0);
    const QImage img = render(a, canvas());
    // Along the head's upper edge, outside the fill.
    EXPECT_TRUE(near(img.pixel(131, 53), QColor(0, 0, 0), 40));
    // The base edge is outlined beside the shaft ...
    EXPECT_TRUE(near(img.pixel(122, 66), QColor(0, 0, 0), 40));
    // ... but not across it: the shaft runs into the head in its own colour.
    EXPECT_TRUE(near(img.pixel(122, 60), a.color));
    EXPECT_TRUE(near(img.pixel(119, 60), a.color));
    EXPECT_TRUE(near(img.pixel(128, 60), a.color));
}

TEST(ArrowLayerTest, TaperedShaftWidensFromTailToTip) {
    ArrowLayer a = arrow({10, 60}, {150, 60}, 10);
    a.startSize = 0.2;
    a.endSize = 1;
    const QImage img = render(a, canvas());
    const int nearTail = coveredInColumn(img, 20);
    const int middle = coveredInColumn(img, 65);
    const int nearHead = coveredInColumn(img, 110);
    EXPECT_LT(nearTail, middle);
    EXPECT_LT(middle, nearHead);
    EXPECT_LE(nearTail, 4);
    EXPECT_GE(nearHead, 8);
}

TEST(ArrowLayerTest, HalfOpaqueArrowIsEvenWhereShaftAndHeadMeet) {
    ArrowLayer a = arrow({20, 60}, {140, 60}, 8);
    a.opacity = 0.5;
    const QImage img = render(a, canvas(160, 120, Qt::white));
    const QRgb shaft = img.pixel(60, 60);
    const QRgb join = img.pixel(112, 60); // where the shaft meets the head's base
    const QRgb head = img.pixel(125, 60);
    EXPECT_NEAR(qGreen(shaft), 255 - (255 - 40) / 2, 3);
    EXPECT_NEAR(qGreen(join), qGreen(shaft), 2);
    EXPECT_NEAR(qGreen(head), qGreen(shaft), 2);
}

TEST(ArrowLayerTest, DashedShaftLeavesGapsAndStillGetsAFullHead) {
    ArrowLayer a = arrow({10, 60}, {150, 60}, 4);
    a.lineStyle = ArrowLineStyle::dashed;
    const QImage img = render(a, canvas());
    int gaps = 0;
    for (int x = 12; x < 120; ++x) {
        gaps += qAlpha(img.pixel(x, 60)) == 0;
    }
    EXPECT_GT(gaps, 30); // 5 of every 13 units are off
    EXPECT_GE(coveredInColumn(img, 139), 7);
    EXPECT_EQ(qAlpha(img.pixel(8, 60)), 0); // butt cap: nothing before the tail
}

TEST(ArrowLayerTest, SolidTailTakesTheCapRule) {
    // Two units before the tail of a width-10 shaft: only a round or square cap reaches there.
    const auto beforeTail = [](std::optional<LineCap> cap) {
        ArrowLayer a = arrow({20, 60}, {140, 60}, 10);
        a.lineCap = cap;
        return qAlpha(render(a, canvas()).pixel(17, 60));
    };
    EXPECT_GT(beforeTail(std::nullopt), 200);
    EXPECT_GT(beforeTail(LineCap::round), 200);
    EXPECT_GT(beforeTail(LineCap::square), 200);
    EXPECT_EQ(beforeTail(LineCap::butt), 0);
    // Round and square differ off the axis: the square cap's corner is painted.
    ArrowLayer square = arrow({20, 60}, {140, 60}, 10);
    square.lineCap = LineCap::square;
    EXPECT_GT(qAlpha(render(square, canvas()).pixel(15, 55)), 200);
    EXPECT_EQ(qAlpha(render(arrow({20, 60}, {140, 60}, 10), canvas()).pixel(15, 55)), 0);
}

TEST(ArrowLayerTest, TranslatedCopyMovesEveryPointAndUnlocks) {
    ArrowLayer a = arrow({1, 2}, {3, 4});
    a.controlPoint = QPointF(5, 6);
    a.controlPoint2 = QPointF(7, 8);
    a.isLocked = true;
    a.opacity = 0.4;
    a.shadow = ShadowStyle::hard;
    a.headColor = Qt::blue;
    const auto moved = std::dynamic_pointer_cast<ArrowLayer>(a.translated(10, -1));
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->start, QPointF(11, 1));
    EXPECT_EQ(moved->end, QPointF(13, 3));
    EXPECT_EQ(*moved->controlPoint, QPointF(15, 5));
    EXPECT_EQ(*moved->controlPoint2, QPointF(17, 7));
    EXPECT_FALSE(moved->isLocked);
    EXPECT_DOUBLE_EQ(moved->opacity, 0.4);
    EXPECT_EQ(moved->shadow, ShadowStyle::hard);
    EXPECT_EQ(moved->headColor, QColor(Qt::blue));
    EXPECT_NE(moved.get(), &a);
}

namespace {

QImage screenBackground() {
    QImage img = canvas(160, 120, QColor(242, 243, 245));
    return img;
}

} // namespace

TEST(ArrowLayerTest, StraightArrowsLookRight) {
    QImage img = screenBackground();
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing);
    ArrowLayer solid = arrow({14, 22}, {146, 14}, 5);
    solid.shadow = ShadowStyle::soft;
    solid.draw(p, img);
    ArrowLayer dashed = arrow({14, 42}, {146, 42}, 4);
    dashed.color = QColor(30, 110, 230);
    dashed.lineStyle = ArrowLineStyle::dashed;
    dashed.shadow = ShadowStyle::soft;
    dashed.draw(p, img);
    ArrowLayer both = arrow({14, 64}, {146, 64}, 3);
    both.color = QColor(20, 150, 90);
    both.headStyle = ArrowHeadStyle::both;
    both.shadow = ShadowStyle::soft;
    both.draw(p, img);
    ArrowLayer outlined = arrow({14, 86}, {146, 86}, 4);
    outlined.color = QColor(250, 190, 20);
    outlined.headOutline = true;
    outlined.headSize = 20;
    outlined.headOutlineWidth = 2;
    outlined.headOutlineColor = QColor(40, 40, 40);
    outlined.draw(p, img);
    ArrowLayer tapered = arrow({14, 108}, {146, 104}, 7);
    tapered.color = QColor(150, 60, 210);
    tapered.startSize = 0.15;
    tapered.shadow = ShadowStyle::soft;
    tapered.draw(p, img);
    p.end();
    EXPECT_TRUE(test::matchesReference(img, "arrow_straight"));
}

TEST(ArrowLayerTest, CurvedArrowsLookRight) {
    QImage img = screenBackground();
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing);
    ArrowLayer quad = arrow({16, 100}, {140, 70}, 5);
    quad.controlPoint = QPointF(50, 10);
    quad.shadow = ShadowStyle::soft;
    quad.draw(p, img);
    ArrowLayer cubic = arrow({20, 24}, {146, 108}, 3);
    cubic.color = QColor(30, 110, 230);
    cubic.lineStyle = ArrowLineStyle::dashed;
    cubic.headStyle = ArrowHeadStyle::both;
    cubic.controlPoint = QPointF(150, 0);
    cubic.controlPoint2 = QPointF(60, 130);
    cubic.shadow = ShadowStyle::soft;
    cubic.draw(p, img);
    p.end();
    EXPECT_TRUE(test::matchesReference(img, "arrow_curved"));
}
