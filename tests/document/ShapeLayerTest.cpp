#include "document/DocumentFlattener.h"
#include "document/EllipseLayer.h"
#include "document/EraserStrokeLayer.h"
#include "document/HighlighterLayer.h"
#include "document/LineLayer.h"
#include "document/PenLayer.h"
#include "document/PolygonLayer.h"
#include "document/RectLayer.h"
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

bool near(QRgb pixel, QColor expected, int tolerance = 6) {
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

void expectRectNear(const QRectF& actual, const QRectF& expected, double eps = 1e-6) {
    EXPECT_NEAR(actual.left(), expected.left(), eps);
    EXPECT_NEAR(actual.top(), expected.top(), eps);
    EXPECT_NEAR(actual.right(), expected.right(), eps);
    EXPECT_NEAR(actual.bottom(), expected.bottom(), eps);
}

// A light screen with a few dark text-like bars, as annotations usually sit on.
QImage screenBackground() {
    QImage img = canvas(160, 120, QColor(246, 247, 249));
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 64, 72));
    for (int row = 0; row < 6; ++row) {
        const int y = 10 + row * 18;
        p.drawRect(QRectF(12, y, 60 + (row * 37) % 70, 6));
    }
    return img;
}

LineLayer line(QPointF a, QPointF b, double width, ArrowLineStyle style) {
    LineLayer l;
    l.start = a;
    l.end = b;
    l.strokeWidth = width;
    l.lineStyle = style;
    l.color = QColor(230, 40, 50);
    return l;
}

} // namespace

// ---------------------------------------------------------------- line

TEST(LineLayerTest, BoundsGrowByHalfTheStrokeMoreForSquareCapsAndShadows) {
    LineLayer l = line({10, 20}, {110, 60}, 8, ArrowLineStyle::solid);
    expectRectNear(l.bounds(), QRectF(QPointF(6, 16), QPointF(114, 64)));
    l.lineCap = LineCap::square;
    const double g = 4 * std::sqrt(2.0);
    expectRectNear(l.bounds(), QRectF(QPointF(10 - g, 20 - g), QPointF(110 + g, 60 + g)));
    l.shadow = ShadowStyle::soft;
    expectRectNear(l.bounds(), QRectF(QPointF(4 - g, 14 - g), QPointF(116 + g, 66 + g)));
    l.lineCap = LineCap::butt;
    l.shadow = ShadowStyle::hard;
    expectRectNear(l.bounds(), QRectF(QPointF(0, 10), QPointF(120, 70)));
}

TEST(LineLayerTest, CapsFollowTheLineStyleUnlessSet) {
    // Probe just past the end point: only a round (or square) cap reaches there.
    const auto pastEnd = [](const LineLayer& l) { return qAlpha(render(l, canvas()).pixel(103, 30)); };
    EXPECT_GT(pastEnd(line({20, 30}, {100, 30}, 10, ArrowLineStyle::solid)), 200);
    EXPECT_EQ(pastEnd(line({20, 30}, {100, 30}, 10, ArrowLineStyle::dashed)), 0);
    EXPECT_EQ(pastEnd(line({20, 30}, {100, 30}, 10, ArrowLineStyle::dotted)), 0);
    LineLayer roundDashes = line({20, 30}, {100, 30}, 10, ArrowLineStyle::dashed);
    roundDashes.lineCap = LineCap::round;
    EXPECT_GT(pastEnd(roundDashes), 200);
    LineLayer butt = line({20, 30}, {100, 30}, 10, ArrowLineStyle::solid);
    butt.lineCap = LineCap::butt;
    EXPECT_EQ(pastEnd(butt), 0);
}

TEST(LineLayerTest, DashAndDotPatternsAreInImageUnits) {
    // Count the painted runs along a butt-capped line of width 6: the pattern does not scale with it.
    const auto runs = [](ArrowLineStyle style) {
        const QImage img = render(line({10, 30}, {140, 30}, 6, style), canvas());
        QList<int> lengths;
        int run = 0;
        for (int x = 10; x < 140; ++x) {
            if (qAlpha(img.pixel(x, 30)) > 127) {
                ++run;
            } else if (run > 0) {
                lengths << run;
                run = 0;
            }
        }
        if (run > 0) {
            lengths << run;
        }
        return lengths;
    };
    const QList<int> dashes = runs(ArrowLineStyle::dashed);
    ASSERT_GE(dashes.size(), 8);
    for (int d : dashes) {
        EXPECT_NEAR(d, 8, 1);
    }
    const QList<int> dots = runs(ArrowLineStyle::dotted);
    ASSERT_GE(dots.size(), 18);
    for (int d : dots) {
        EXPECT_NEAR(d, 2, 1);
    }
    EXPECT_EQ(runs(ArrowLineStyle::solid).size(), 1);
}

TEST(LineLayerTest, HitNearTheSegmentOnly) {
    LineLayer l = line({10, 10}, {110, 110}, 4, ArrowLineStyle::solid);
    EXPECT_TRUE(l.hitTest({60, 60}));
    EXPECT_TRUE(l.hitTest({60 + 5, 60 - 5})); // 7.07 from the line
    EXPECT_FALSE(l.hitTest({110, 10}));       // a corner of the bounds
    EXPECT_FALSE(l.hitTest({70, 55}));        // 10.6 from the line
}

TEST(LineLayerTest, TranslatedMovesBothEnds) {
    LineLayer l = line({1, 2}, {3, 4}, 5, ArrowLineStyle::dotted);
    l.isLocked = true;
    l.lineCap = LineCap::square;
    const auto m = std::dynamic_pointer_cast<LineLayer>(l.translated(-1, 1));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->start, QPointF(0, 3));
    EXPECT_EQ(m->end, QPointF(2, 5));
    EXPECT_EQ(m->lineCap, LineCap::square);
    EXPECT_EQ(m->lineStyle, ArrowLineStyle::dotted);
    EXPECT_FALSE(m->isLocked);
}

TEST(LineLayerTest, LineStylesLookRight) {
    QImage img = canvas(160, 80, QColor(246, 247, 249));
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing);
    const QList<QColor> colours{QColor(230, 40, 50), QColor(30, 110, 230), QColor(20, 150, 90),
                                QColor(40, 40, 48)};
    const QList<ArrowLineStyle> styles{ArrowLineStyle::solid, ArrowLineStyle::dashed, ArrowLineStyle::dotted,
                                       ArrowLineStyle::solid};
    for (int i = 0; i < 4; ++i) {
        LineLayer l = line({16, 14.0 + i * 17}, {144, 14.0 + i * 17}, 4, styles[i]);
        l.color = colours[i];
        l.shadow = ShadowStyle::soft;
        if (i == 3) {
            l.lineCap = LineCap::square;
            l.strokeWidth = 6;
        }
        l.draw(p, img);
    }
    p.end();
    EXPECT_TRUE(test::matchesReference(img, "line_styles"));
}

// ---------------------------------------------------------------- rectangle

TEST(RectLayerTest, BoundsAreTheBoxOfTheRotatedCornersWithHalfTheStroke) {
    RectLayer r;
    r.rect = QRectF(20, 40, 100, 40);
    r.strokeWidth = 4;
    expectRectNear(r.bounds(), QRectF(18, 38, 104, 44));
    r.rotation = M_PI / 2; // a quarter turn swaps the sides about the centre (70, 60)
    expectRectNear(r.bounds(), QRectF(48, 8, 44, 104), 1e-9);
    r.rotation = M_PI / 4;
    const double half = (104 + 44) / 2 / std::sqrt(2.0);
    expectRectNear(r.bounds(), QRectF(70 - half, 60 - half, 2 * half, 2 * half), 1e-9);
}

TEST(RectLayerTest, HitTestInTheUnrotatedFrameGrownByTheMargin) {
    RectLayer r;
    r.rect = QRectF(20, 40, 100, 40);
    r.strokeWidth = 2;                // margin max(1, 4) = 4
    EXPECT_TRUE(r.hitTest({70, 60})); // interior counts, filled or not
    EXPECT_TRUE(r.hitTest({123.9, 60}));
    EXPECT_FALSE(r.hitTest({124.1, 60}));
    r.strokeWidth = 12; // margin 6
    EXPECT_TRUE(r.hitTest({125.9, 60}));
    EXPECT_FALSE(r.hitTest({126.1, 60}));
    // Turned a quarter: the long side now runs up and down.
    r.rotation = M_PI / 2;
    EXPECT_TRUE(r.hitTest({70, 60 - 55}));
    EXPECT_FALSE(r.hitTest({70 - 40, 60}));
    EXPECT_FALSE(r.hitTest({70 + 40, 60}));
}

TEST(RectLayerTest, RoundedCornersAreLeftOutOfTheHitArea) {
    RectLayer r;
    r.rect = QRectF(0, 0, 100, 60);
    r.strokeWidth = 2; // margin 4
    r.cornerRadius = 20;
    EXPECT_FALSE(r.hitTest({-3, -3})); // inside the grown box, outside the rounded corner
    EXPECT_FALSE(r.hitTest({3, 3}));   // 24.04 from the corner's centre: more than 4 outside the arc
    EXPECT_TRUE(r.hitTest({5, 5}));
    EXPECT_TRUE(r.hitTest({50, -3.9}));
    // Radius is limited to half the short side (30): the ends are full half-circles.
    r.cornerRadius = 500;
    EXPECT_FALSE(r.hitTest({2, 2}));
    EXPECT_TRUE(r.hitTest({-3.9, 30}));
    r.cornerRadius = 0;
    EXPECT_TRUE(r.hitTest({-3, -3}));
}

TEST(RectLayerTest, FillsWithGradientOrColourThenOutlines) {
    RectLayer r;
    r.rect = QRectF(20, 20, 120, 80);
    r.strokeWidth = 6;
    r.color = QColor(20, 20, 20);
    r.fillColor = QColor(250, 200, 0);
    QImage img = render(r, canvas());
    EXPECT_TRUE(near(img.pixel(80, 60), *r.fillColor));
    EXPECT_TRUE(near(img.pixel(20, 60), r.color));
    EXPECT_TRUE(near(img.pixel(80, 22), r.color));
    EXPECT_EQ(qAlpha(img.pixel(14, 60)), 0);
    // A gradient wins over the fill colour; angle 0 runs left to right.
    r.gradient = GradientFill{QColor(255, 0, 0), QColor(0, 0, 255), 0};
    img = render(r, canvas());
    EXPECT_GT(qRed(img.pixel(30, 60)), 180);
    EXPECT_LT(qBlue(img.pixel(30, 60)), 80);
    EXPECT_GT(qBlue(img.pixel(130, 60)), 180);
    // No fill at all: the inside stays clear.
    r.gradient.reset();
    r.fillColor.reset();
    img = render(r, canvas());
    EXPECT_EQ(qAlpha(img.pixel(80, 60)), 0);
    EXPECT_TRUE(near(img.pixel(80, 22), r.color));
}

TEST(RectLayerTest, OpacityAppliesToTheWholeLayerOnce) {
    RectLayer r;
    r.rect = QRectF(20, 20, 120, 80);
    r.strokeWidth = 10;
    r.color = QColor(0, 0, 0);
    r.fillColor = QColor(0, 0, 0);
    r.opacity = 0.5;
    const QImage img = render(r, canvas(160, 120, Qt::white));
    // The outline lies over the fill, yet both come out at the same half strength.
    EXPECT_NEAR(qRed(img.pixel(80, 60)), 128, 3);
    EXPECT_NEAR(qRed(img.pixel(22, 60)), 128, 3);
}

TEST(RectLayerTest, TranslatedClampsTheCornerRadius) {
    RectLayer r;
    r.rect = QRectF(1, 2, 3, 4);
    r.cornerRadius = -5;
    r.rotation = 0.5;
    r.gradient = GradientFill{Qt::red, Qt::blue, 1};
    const auto m = std::dynamic_pointer_cast<RectLayer>(r.translated(10, 20));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->rect, QRectF(11, 22, 3, 4));
    EXPECT_DOUBLE_EQ(m->cornerRadius, 0);
    EXPECT_DOUBLE_EQ(m->rotation, 0.5);
    EXPECT_EQ(m->gradient, r.gradient);
}

TEST(RectLayerTest, RoundedGradientRotatedRectLooksRight) {
    QImage img = screenBackground();
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing);
    RectLayer r;
    r.rect = QRectF(30, 30, 100, 60);
    r.strokeWidth = 4;
    r.color = QColor(30, 60, 160);
    r.cornerRadius = 14;
    r.rotation = -0.2;
    r.gradient = GradientFill{QColor(120, 190, 255), QColor(180, 120, 255), M_PI / 4};
    r.shadow = ShadowStyle::soft;
    r.draw(p, img);
    p.end();
    EXPECT_TRUE(test::matchesReference(img, "rect_rounded_gradient_rotated"));
}

// ---------------------------------------------------------------- ellipse

TEST(EllipseLayerTest, HitFormulaWithMarginAndRotation) {
    EllipseLayer e;
    e.rect = QRectF(0, 0, 100, 40); // centre (50, 20), semi-axes 50 and 20
    e.strokeWidth = 2;              // margin 4
    EXPECT_TRUE(e.hitTest({50, 20}));
    EXPECT_TRUE(e.hitTest({103.9, 20}));
    EXPECT_FALSE(e.hitTest({104.1, 20}));
    EXPECT_TRUE(e.hitTest({50, -3.9}));
    EXPECT_FALSE(e.hitTest({50, -4.1}));
    EXPECT_FALSE(e.hitTest({2, 2})); // a corner of the box is outside the ellipse
    e.strokeWidth = 20;              // margin 10
    EXPECT_TRUE(e.hitTest({109.9, 20}));
    // A quarter turn: the long axis is vertical.
    e.strokeWidth = 2;
    e.rotation = M_PI / 2;
    EXPECT_TRUE(e.hitTest({50, 20 + 53}));
    EXPECT_FALSE(e.hitTest({50 + 30, 20}));
}

TEST(EllipseLayerTest, FlatEllipseIsNeverHit) {
    EllipseLayer e;
    e.rect = QRectF(0, 10, 100, 0);
    EXPECT_FALSE(e.hitTest({50, 10}));
    e.rect = QRectF(10, 0, 0, 100);
    EXPECT_FALSE(e.hitTest({10, 50}));
}

TEST(EllipseLayerTest, BoundsAndDrawing) {
    EllipseLayer e;
    e.rect = QRectF(20, 20, 120, 80);
    e.strokeWidth = 4;
    e.color = QColor(20, 90, 220);
    e.fillColor = QColor(255, 255, 255);
    expectRectNear(e.bounds(), QRectF(18, 18, 124, 84));
    e.rotation = M_PI / 2;
    expectRectNear(e.bounds(), QRectF(38, -2, 84, 124), 1e-9);
    e.rotation = 0;
    const QImage img = render(e, canvas());
    EXPECT_TRUE(near(img.pixel(80, 60), *e.fillColor));
    EXPECT_TRUE(near(img.pixel(80, 20), e.color));
    EXPECT_TRUE(near(img.pixel(20, 60), e.color));
    EXPECT_EQ(qAlpha(img.pixel(25, 25)), 0); // outside the ellipse, inside its box
}

TEST(EllipseLayerTest, EllipseLooksRight) {
    QImage img = screenBackground();
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing);
    EllipseLayer e;
    e.rect = QRectF(24, 26, 112, 64);
    e.strokeWidth = 4;
    e.color = QColor(230, 40, 50);
    e.rotation = 0.25;
    e.shadow = ShadowStyle::soft;
    e.draw(p, img);
    p.end();
    EXPECT_TRUE(test::matchesReference(img, "ellipse"));
}

// ---------------------------------------------------------------- polygon and star

TEST(PolygonLayerTest, PentagonPointsUp) {
    PolygonLayer poly;
    poly.rect = QRectF(0, 0, 100, 80); // centre (50, 40), R = 40
    poly.sides = 5;
    poly.innerRatio = 1;
    const QPolygonF v = poly.vertices();
    ASSERT_EQ(v.size(), 5);
    EXPECT_NEAR(v[0].x(), 50, 1e-9);
    EXPECT_NEAR(v[0].y(), 0, 1e-9);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(std::hypot(v[i].x() - 50, v[i].y() - 40), 40, 1e-9);
    }
    // The base is flat: vertices 2 and 3 share their height, below the centre.
    EXPECT_NEAR(v[2].y(), v[3].y(), 1e-9);
    EXPECT_GT(v[2].y(), 40);
    // Rendered, the apex column reaches the top while the corners beside it stay clear.
    poly.strokeWidth = 0;
    poly.fillColor = QColor(0, 0, 0);
    const QImage img = render(poly, canvas(100, 80));
    EXPECT_GT(qAlpha(img.pixel(50, 2)), 128);
    EXPECT_EQ(qAlpha(img.pixel(20, 2)), 0);
    EXPECT_EQ(qAlpha(img.pixel(50, 78)), 0); // the base is at 40 + 40 cos 36 = 72.4
}

TEST(PolygonLayerTest, StarHasTwiceTheVerticesAlternatingRadii) {
    PolygonLayer star;
    star.rect = QRectF(0, 0, 100, 100);
    star.sides = 5;
    star.innerRatio = 0.5;
    const QPolygonF v = star.vertices();
    ASSERT_EQ(v.size(), 10);
    EXPECT_NEAR(v[0].x(), 50, 1e-9);
    EXPECT_NEAR(v[0].y(), 0, 1e-9);
    for (int i = 0; i < 10; ++i) {
        const double r = std::hypot(v[i].x() - 50, v[i].y() - 50);
        EXPECT_NEAR(r, i % 2 == 0 ? 50 : 25, 1e-9);
        const double angle = std::atan2(v[i].y() - 50, v[i].x() - 50);
        const double expected = -M_PI / 2 + i * M_PI / 5;
        EXPECT_NEAR(std::remainder(angle - expected, 2 * M_PI), 0, 1e-9);
    }
    star.innerRatio = 0.9999999; // counts as 1
    EXPECT_EQ(star.vertices().size(), 5);
}

TEST(PolygonLayerTest, RotationTurnsTheVerticesAboutTheCentre) {
    PolygonLayer tri;
    tri.rect = QRectF(0, 0, 60, 60);
    tri.sides = 3;
    tri.rotation = M_PI / 2; // the first vertex moves from the top to the right
    const QPolygonF v = tri.vertices();
    EXPECT_NEAR(v[0].x(), 60, 1e-9);
    EXPECT_NEAR(v[0].y(), 30, 1e-9);
}

TEST(PolygonLayerTest, HitInsideOrNearTheOutlineAndBoundsHoldTheStroke) {
    PolygonLayer poly;
    poly.rect = QRectF(0, 0, 100, 100);
    poly.sides = 4; // a diamond: (50,0) (100,50) (50,100) (0,50)
    poly.strokeWidth = 2;
    EXPECT_TRUE(poly.hitTest({50, 50}));
    EXPECT_TRUE(poly.hitTest({50, -3.9}));
    EXPECT_FALSE(poly.hitTest({50, -4.5}));
    EXPECT_FALSE(poly.hitTest({10, 10})); // inside the box, outside the diamond
    const QRectF b = poly.bounds();
    EXPECT_LE(b.top(), -1);
    EXPECT_GE(b.bottom(), 101);
    EXPECT_LT(b.top(), -1.4); // the miter at the point reaches beyond half the stroke
}

TEST(PolygonLayerTest, StarLooksRight) {
    QImage img = screenBackground();
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing);
    PolygonLayer star;
    star.rect = QRectF(30, 8, 100, 104);
    star.sides = 5;
    star.innerRatio = 0.45;
    star.strokeWidth = 3;
    star.color = QColor(200, 120, 0);
    star.fillColor = QColor(255, 205, 40);
    star.shadow = ShadowStyle::soft;
    star.draw(p, img);
    p.end();
    EXPECT_TRUE(test::matchesReference(img, "polygon_star"));
}

// ---------------------------------------------------------------- pen

TEST(PenLayerTest, TwoPointsMakeAStraightSegmentEvenWhenSmoothing) {
    PenLayer pen;
    pen.points = {{10, 10}, {90, 50}};
    pen.smoothCurves = true;
    const QPainterPath path = pen.path();
    ASSERT_EQ(path.elementCount(), 2);
    EXPECT_TRUE(path.elementAt(0).isMoveTo());
    EXPECT_TRUE(path.elementAt(1).isLineTo());
    EXPECT_EQ(QPointF(path.elementAt(1)), QPointF(90, 50));
}

TEST(PenLayerTest, SmoothingPassesThroughMidpointsAndEndsOnTheLastPoint) {
    PenLayer pen;
    pen.points = {{0, 0}, {40, 40}, {80, 0}, {120, 40}};
    pen.smoothCurves = true;
    const QPainterPath smooth = pen.path();
    // move, quad to (60, 20), quad to (100, 20), line to (120, 40)
    EXPECT_EQ(smooth.currentPosition(), QPointF(120, 40));
    EXPECT_LT(smooth.pointAtPercent(0).x(), 1e-9);
    const auto nearestDistance = [&](const QPainterPath& path, QPointF target) {
        double best = 1e9;
        for (int i = 0; i <= 400; ++i) {
            const QPointF q = path.pointAtPercent(i / 400.0);
            best = std::min(best, std::hypot(q.x() - target.x(), q.y() - target.y()));
        }
        return best;
    };
    EXPECT_LT(nearestDistance(smooth, {60, 20}), 0.5);
    EXPECT_LT(nearestDistance(smooth, {100, 20}), 0.5);
    EXPECT_GT(nearestDistance(smooth, {40, 40}), 5); // the samples only bend the curve
    pen.smoothCurves = false;
    EXPECT_LT(nearestDistance(pen.path(), {40, 40}), 0.5);
}

TEST(PenLayerTest, FewerThanTwoPointsDrawNothing) {
    PenLayer pen;
    pen.points = {{50, 50}};
    pen.strokeWidth = 10;
    const QImage img = render(pen, canvas());
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            ASSERT_EQ(qAlpha(img.pixel(x, y)), 0);
        }
    }
    EXPECT_TRUE(pen.path().isEmpty());
    EXPECT_FALSE(pen.hitTest({50, 50}));
}

TEST(PenLayerTest, JoinsAndHitTest) {
    PenLayer pen;
    pen.points = {{20, 100}, {80, 20}, {140, 100}};
    pen.smoothCurves = false;
    pen.strokeWidth = 12;
    pen.color = QColor(0, 0, 0);
    // Round join by default: nothing above the corner beyond half the width.
    EXPECT_EQ(qAlpha(render(pen, canvas()).pixel(80, 11)), 0);
    pen.lineJoin = LineJoin::miter; // the miter at this angle stays within the limit of 2
    EXPECT_GT(qAlpha(render(pen, canvas()).pixel(80, 11)), 128);
    EXPECT_LT(pen.bounds().top(), 11);
    pen.lineJoin = LineJoin::bevel;
    EXPECT_EQ(qAlpha(render(pen, canvas()).pixel(80, 14)), 0);

    EXPECT_TRUE(pen.hitTest({50, 60}));
    EXPECT_FALSE(pen.hitTest({80, 80})); // between the legs
}

TEST(PenLayerTest, TranslatedMovesEveryPoint) {
    PenLayer pen;
    pen.points = {{0, 0}, {1, 1}, {2, 0}};
    pen.lineJoin = LineJoin::bevel;
    const auto m = std::dynamic_pointer_cast<PenLayer>(pen.translated(5, 5));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->points, (QList<QPointF>{{5, 5}, {6, 6}, {7, 5}}));
    EXPECT_EQ(m->lineJoin, LineJoin::bevel);
}

TEST(PenLayerTest, SmoothStrokeLooksRight) {
    QImage img = screenBackground();
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing);
    PenLayer pen;
    // A hand-drawn circle round a word, sampled coarsely.
    for (int i = 0; i <= 26; ++i) {
        const double a = -2.4 + i * 0.27;
        const double wobble = 1 + 0.05 * std::sin(i * 1.7);
        pen.points << QPointF(80 + 58 * wobble * std::cos(a), 60 + 34 * wobble * std::sin(a));
    }
    pen.strokeWidth = 4;
    pen.color = QColor(230, 40, 50);
    pen.smoothCurves = true;
    pen.shadow = ShadowStyle::soft;
    pen.draw(p, img);
    p.end();
    EXPECT_TRUE(test::matchesReference(img, "pen_smooth"));
}

// ---------------------------------------------------------------- highlighter

TEST(HighlighterLayerTest, UnderlineThickness) {
    HighlighterLayer h;
    h.rect = QRectF(10, 20, 100, 10);
    h.shape = HighlighterShape::underline;
    // 0.4 x 10 = 4 is below the minimum of 6.
    expectRectNear(h.shapePath().boundingRect(), QRectF(10, 24, 100, 6));
    h.rect = QRectF(10, 20, 100, 40);
    expectRectNear(h.shapePath().boundingRect(), QRectF(10, 44, 100, 16));
    h.underlineThickness = 3;
    expectRectNear(h.shapePath().boundingRect(), QRectF(10, 57, 100, 3));
    h.underlineThickness = 100; // never thicker than the box
    expectRectNear(h.shapePath().boundingRect(), QRectF(10, 20, 100, 40));
    h.underlineThickness = 0.2; // at least 1
    expectRectNear(h.shapePath().boundingRect(), QRectF(10, 59, 100, 1));
}

TEST(HighlighterLayerTest, RoundedRadiusDefaultsAndClamps) {
    HighlighterLayer h;
    h.rect = QRectF(0, 0, 100, 40);
    h.shape = HighlighterShape::rounded;
    // Default radius min(20, 12) = 12: the corner point (1.5, 1.5) is cut off, (4, 4) too.
    EXPECT_FALSE(h.shapePath().contains(QPointF(1.5, 1.5)));
    EXPECT_FALSE(h.shapePath().contains(QPointF(2.5, 2.5)));
    EXPECT_TRUE(h.shapePath().contains(QPointF(5, 5)));
    h.cornerRadius = 2;
    EXPECT_TRUE(h.shapePath().contains(QPointF(1.5, 1.5)));
    h.cornerRadius = 400; // limited to 20: a stadium
    EXPECT_FALSE(h.shapePath().contains(QPointF(5, 5)));
    EXPECT_TRUE(h.shapePath().contains(QPointF(1, 20)));
    h.cornerRadius = -3;
    EXPECT_TRUE(h.shapePath().contains(QPointF(0.5, 0.5)));
    h.shape = HighlighterShape::ellipse;
    EXPECT_FALSE(h.shapePath().contains(QPointF(5, 5)));
    EXPECT_TRUE(h.shapePath().contains(QPointF(50, 1)));
}

TEST(HighlighterLayerTest, MultipliesSoDarkTextStaysDark) {
    QImage base = canvas(40, 20, Qt::white);
    QPainter(&base).fillRect(QRect(0, 0, 20, 20), Qt::black);
    HighlighterLayer h;
    h.rect = QRectF(0, 0, 40, 20);
    h.color = QColor(255, 230, 0);
    const QImage img = render(h, base);
    EXPECT_TRUE(near(img.pixel(10, 10), QColor(0, 0, 0)));
    EXPECT_TRUE(near(img.pixel(30, 10), QColor(255, 230, 0)));
    // The same with half opacity: white turns half yellow, black stays black.
    h.opacity = 0.5;
    const QImage half = render(h, base);
    EXPECT_TRUE(near(half.pixel(10, 10), QColor(0, 0, 0)));
    EXPECT_NEAR(qBlue(half.pixel(30, 10)), 128, 3);
}

TEST(HighlighterLayerTest, BoundsCoverATallUnderline) {
    HighlighterLayer h;
    h.rect = QRectF(10, 20, 100, 4);
    h.shape = HighlighterShape::underline; // 6 thick on a 4-high box
    expectRectNear(h.bounds(), QRectF(10, 18, 100, 6));
    const auto m = std::dynamic_pointer_cast<HighlighterLayer>(h.translated(1, 2));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->rect, QRectF(11, 22, 100, 4));
    EXPECT_EQ(m->shape, HighlighterShape::underline);
}

TEST(HighlighterLayerTest, ShapesLookRight) {
    QImage img = screenBackground();
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing);
    // Over the first, second, fourth and last line of the text.
    const QList<HighlighterShape> shapes{HighlighterShape::rect, HighlighterShape::rounded,
                                         HighlighterShape::ellipse, HighlighterShape::underline};
    const QList<QRectF> rects{QRectF(9, 7, 66, 12), QRectF(8, 25, 106, 12), QRectF(4, 58, 116, 18),
                              QRectF(10, 97, 110, 13)};
    const QList<QColor> colours{QColor(255, 228, 60), QColor(120, 230, 140), QColor(255, 160, 200),
                                QColor(110, 200, 255)};
    for (int i = 0; i < 4; ++i) {
        HighlighterLayer h;
        h.shape = shapes[i];
        h.color = colours[i];
        h.rect = rects[i];
        h.draw(p, img);
    }
    p.end();
    EXPECT_TRUE(test::matchesReference(img, "highlighter_shapes"));
}

// ---------------------------------------------------------------- eraser

TEST(EraserStrokeLayerTest, ClearsTheBaseAlongItsPathAndDrawsNothingItself) {
    QImage base = canvas(100, 60, QColor(40, 120, 200));
    EraserStrokeLayer eraser;
    eraser.points = {{10, 30}, {90, 30}};
    eraser.width = 10;
    // Drawing as a layer leaves the picture alone.
    EXPECT_EQ(render(eraser, base), base);
    const LayerList layers{std::make_shared<EraserStrokeLayer>(eraser)};
    const QImage erased = DocumentFlattener::applyErasers(base, layers);
    EXPECT_EQ(qAlpha(erased.pixel(50, 30)), 0);
    EXPECT_EQ(qAlpha(erased.pixel(50, 26)), 0);
    EXPECT_EQ(qAlpha(erased.pixel(7, 30)), 0); // round cap
    EXPECT_EQ(qAlpha(erased.pixel(50, 20)), 255);
    EXPECT_EQ(qAlpha(erased.pixel(2, 30)), 255);
}

TEST(EraserStrokeLayerTest, BoundsHitAndMove) {
    EraserStrokeLayer eraser;
    eraser.points = {{10, 30}, {90, 30}, {90, 50}};
    eraser.width = 20;
    expectRectNear(eraser.bounds(), QRectF(0, 20, 100, 40));
    EXPECT_TRUE(eraser.hitTest({50, 39}));
    EXPECT_FALSE(eraser.hitTest({50, 41}));
    EXPECT_TRUE(eraser.hitTest({99, 50}));
    const auto m = std::dynamic_pointer_cast<EraserStrokeLayer>(eraser.translated(1, 1));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->points.front(), QPointF(11, 31));
    EXPECT_DOUBLE_EQ(m->width, 20);
}

TEST(EraserStrokeLayerTest, EraserOverAPatternLooksRight) {
    QImage base = canvas(120, 80);
    {
        QPainter p(&base);
        for (int y = 0; y < 80; y += 10) {
            for (int x = 0; x < 120; x += 10) {
                p.fillRect(QRect(x, y, 10, 10),
                           ((x + y) / 10) % 2 ? QColor(70, 90, 120) : QColor(230, 235, 240));
            }
        }
    }
    EraserStrokeLayer eraser;
    eraser.width = 14;
    for (int i = 0; i <= 20; ++i) {
        eraser.points << QPointF(12 + i * 4.8, 40 + 22 * std::sin(i * 0.35));
    }
    const QImage flat = DocumentFlattener::flatten(base, {std::make_shared<EraserStrokeLayer>(eraser)},
                                                   QRectF(0, 0, 120, 80));
    // Erased pixels are transparent; show them as a checkerboard would be shown: over white.
    QImage shown = canvas(120, 80, Qt::white);
    QPainter(&shown).drawImage(0, 0, flat);
    EXPECT_EQ(qAlpha(flat.pixel(12, 40)), 0);
    EXPECT_TRUE(test::matchesReference(shown, "eraser_over_pattern"));
}
