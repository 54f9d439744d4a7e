#include "document/ArrowLayer.h"
#include "document/DocumentFlattener.h"
#include "document/EllipseLayer.h"
#include "document/EraserStrokeLayer.h"
#include "document/HighlighterLayer.h"
#include "document/LineLayer.h"
#include "document/PenLayer.h"
#include "document/PolygonLayer.h"
#include "document/RectLayer.h"
#include "document/StepLayer.h"
#include "support/Drawing.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

using namespace mebo;
using test::canvas;
using test::near;
using test::rectNear;
using test::render;

namespace {

LineLayer line(QPointF a, QPointF b, double width, ArrowLineStyle style) {
    LineLayer l;
    l.start = a;
    l.end = b;
    l.strokeWidth = width;
    l.lineStyle = style;
    l.color = QColor(230, 40, 50);
    return l;
}

ArrowLayer arrow(QPointF start, QPointF end, double width = 4) {
    ArrowLayer a;
    a.start = start;
    a.end = end;
    a.strokeWidth = width;
    a.color = QColor(230, 40, 50);
    a.shadow = ShadowStyle::none;
    return a;
}

StepLayer badge(QPointF center, int number, StepShape shape = StepShape::circle) {
    StepLayer step;
    step.center = center;
    step.number = number;
    step.shape = shape;
    step.radius = 20;
    step.color = QColor(229, 57, 53);
    step.textColor = Qt::white;
    return step;
}

} // namespace

TEST(LineLayerTest, CapsFollowTheLineStyleUnlessSet) {
    // Just past the end point only a round (or square) cap reaches.
    const auto pastEnd = [](ArrowLineStyle style, std::optional<LineCap> cap) {
        LineLayer l = line({20, 30}, {100, 30}, 10, style);
        l.lineCap = cap;
        return qAlpha(render(l, canvas(160, 120)).pixel(103, 30));
    };
    EXPECT_GT(pastEnd(ArrowLineStyle::solid, std::nullopt), 200);
    EXPECT_EQ(pastEnd(ArrowLineStyle::dashed, std::nullopt), 0);
    EXPECT_EQ(pastEnd(ArrowLineStyle::dotted, std::nullopt), 0);
    EXPECT_GT(pastEnd(ArrowLineStyle::dashed, LineCap::round), 200);
    EXPECT_EQ(pastEnd(ArrowLineStyle::solid, LineCap::butt), 0);
}

TEST(LineLayerTest, HitNearTheSegmentOnly) {
    const LineLayer l = line({10, 10}, {110, 110}, 4, ArrowLineStyle::solid);
    EXPECT_TRUE(l.hitTest({65, 55}));   // 7.07 from the line
    EXPECT_FALSE(l.hitTest({110, 10})); // a corner of the bounds (the tolerance is the arrow's table)
}

TEST(RectLayerTest, HitAreaIsTheUnrotatedBoxGrownByTheMarginWithoutRoundedCorners) {
    struct Case {
        double stroke, radius, rotation;
        QPointF point;
        bool hit;
    };
    // Margin max(4, half the stroke); rotation is about the centre (70, 60) of (20, 40, 100, 40).
    // Rounded, (20, 40) being the box's corner: the arc cuts the grown corner off. The radius is
    // limited to half the short side (20): the ends are half-circles.
    const Case cases[] = {{2, 0, 0, {70, 60}, true},          {2, 0, 0, {123.9, 60}, true},
                          {2, 0, 0, {124.1, 60}, false},      {12, 0, 0, {125.9, 60}, true},
                          {12, 0, 0, {126.1, 60}, false},     {12, 0, M_PI / 2, {70, 5}, true},
                          {12, 0, M_PI / 2, {30, 60}, false}, {12, 0, M_PI / 2, {110, 60}, false},
                          {2, 20, 0, {17, 37}, false},        {2, 20, 0, {23, 43}, false},
                          {2, 20, 0, {25, 45}, true},         {2, 20, 0, {70, 36.1}, true},
                          {2, 0, 0, {17, 37}, true},          {2, 500, 0, {22, 42}, false},
                          {2, 500, 0, {16.1, 60}, true}};
    for (const Case& c : cases) {
        RectLayer r;
        r.rect = QRectF(20, 40, 100, 40);
        r.strokeWidth = c.stroke;
        r.cornerRadius = c.radius;
        r.rotation = c.rotation;
        EXPECT_EQ(r.hitTest(c.point), c.hit)
            << c.stroke << " " << c.radius << " " << c.point.x() << "," << c.point.y();
    }
}

TEST(RectLayerTest, OpacityAppliesToFillAndOutlineOnce) {
    RectLayer r; // the outline lies over the fill, yet both come out at the same half strength
    r.rect = QRectF(20, 20, 120, 80);
    r.color = QColor(0, 0, 0);
    r.fillColor = QColor(0, 0, 0);
    r.strokeWidth = 10;
    r.opacity = 0.5;
    const QImage img = render(r, canvas(160, 120, Qt::white));
    EXPECT_NEAR(qRed(img.pixel(80, 60)), 128, 3);
    EXPECT_NEAR(qRed(img.pixel(22, 60)), 128, 3);
    // Moving a copy keeps the radius sane.
    r.cornerRadius = -5;
    EXPECT_EQ(std::static_pointer_cast<RectLayer>(r.translated(1, 1))->cornerRadius, 0);
}

TEST(EllipseLayerTest, HitFormulaWithMarginAndRotation) {
    struct Case {
        double stroke, rotation;
        QPointF point;
        bool hit;
    };
    // Centre (50, 20), semi-axes 50 and 20; margin max(4, half the stroke).
    const Case cases[] = {
        {2, 0, {50, 20}, true},     {2, 0, {103.9, 20}, true},     {2, 0, {104.1, 20}, false},
        {2, 0, {50, -3.9}, true},   {2, 0, {50, -4.1}, false},     {2, 0, {2, 2}, false},
        {20, 0, {109.9, 20}, true}, {2, M_PI / 2, {50, 73}, true}, {2, M_PI / 2, {80, 20}, false}};
    for (const Case& c : cases) {
        EllipseLayer e;
        e.rect = QRectF(0, 0, 100, 40);
        e.strokeWidth = c.stroke;
        e.rotation = c.rotation;
        EXPECT_EQ(e.hitTest(c.point), c.hit) << c.point.x() << "," << c.point.y();
    }
    // A flat ellipse is never hit.
    EllipseLayer flat;
    flat.rect = QRectF(0, 10, 100, 0);
    EXPECT_FALSE(flat.hitTest({50, 10}));
    flat.rect = QRectF(10, 0, 0, 100);
    EXPECT_FALSE(flat.hitTest({10, 50}));
}

TEST(PolygonLayerTest, HitAndBoundedAsTheOutline) {
    PolygonLayer diamond; // (50,0) (100,50) (50,100) (0,50)
    diamond.rect = QRectF(0, 0, 100, 100);
    diamond.sides = 4;
    diamond.strokeWidth = 2;
    EXPECT_TRUE(diamond.hitTest({50, 50}));
    EXPECT_TRUE(diamond.hitTest({50, -3.9}));
    EXPECT_FALSE(diamond.hitTest({50, -4.5}));
    EXPECT_FALSE(diamond.hitTest({10, 10})); // inside the box, outside the diamond
    EXPECT_GE(diamond.bounds().bottom(), 101);
    EXPECT_LT(diamond.bounds().top(), -1.4); // the miter at the point reaches beyond half the stroke
}

TEST(PenLayerTest, JoinsAndHitTest) {
    PenLayer pen;
    pen.points = {{20, 100}, {80, 20}, {140, 100}};
    pen.smoothCurves = false;
    pen.strokeWidth = 12;
    pen.color = QColor(0, 0, 0);
    // Round join by default: nothing above the corner beyond half the width.
    EXPECT_EQ(qAlpha(render(pen, canvas(160, 120)).pixel(80, 11)), 0);
    pen.lineJoin = LineJoin::miter; // the miter at this angle stays within the limit of 2
    EXPECT_GT(qAlpha(render(pen, canvas(160, 120)).pixel(80, 11)), 128);
    EXPECT_LT(pen.bounds().top(), 11);
    pen.lineJoin = LineJoin::bevel;
    EXPECT_EQ(qAlpha(render(pen, canvas(160, 120)).pixel(80, 14)), 0);
    EXPECT_TRUE(pen.hitTest({50, 60}));
    EXPECT_FALSE(pen.hitTest({80, 80})); // between the legs
}

TEST(HighlighterLayerTest, ShapeRules) {
    HighlighterLayer h;
    h.shape = HighlighterShape::underline;
    // 0.4 of the height, at least 6, at most the box, at least 1 when set.
    const std::tuple<double, std::optional<double>, QRectF> underlines[] = {
        {10, std::nullopt, QRectF(10, 24, 100, 6)},
        {40, std::nullopt, QRectF(10, 44, 100, 16)},
        {40, 3, QRectF(10, 57, 100, 3)},
        {40, 100, QRectF(10, 20, 100, 40)},
        {40, 0.2, QRectF(10, 59, 100, 1)}};
    for (const auto& [height, thickness, expected] : underlines) {
        h.rect = QRectF(10, 20, 100, height);
        h.underlineThickness = thickness;
        EXPECT_TRUE(rectNear(h.shapePath().boundingRect(), expected));
    }
    h.rect = QRectF(10, 20, 100, 4); // 6 thick on a 4-high box: the bounds cover it
    h.underlineThickness.reset();
    EXPECT_TRUE(rectNear(h.bounds(), QRectF(10, 18, 100, 6)));

    // Rounded: radius min(20, 12) unless set, at most half the height.
    h.rect = QRectF(0, 0, 100, 40);
    h.shape = HighlighterShape::rounded;
    const std::tuple<std::optional<double>, QPointF, bool> rounded[] = {{std::nullopt, {2.5, 2.5}, false},
                                                                        {std::nullopt, {5, 5}, true},
                                                                        {2, {1.5, 1.5}, true},
                                                                        {400, {5, 5}, false},
                                                                        {400, {1, 20}, true},
                                                                        {-3, {0.5, 0.5}, true}};
    for (const auto& [radius, point, inside] : rounded) {
        h.cornerRadius = radius;
        EXPECT_EQ(h.shapePath().contains(point), inside) << point.x();
    }
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
    QImage img = render(h, base);
    EXPECT_TRUE(near(img.pixel(10, 10), QColor(0, 0, 0)));
    EXPECT_TRUE(near(img.pixel(30, 10), QColor(255, 230, 0)));
    h.opacity = 0.5; // white turns half yellow, black stays black
    img = render(h, base);
    EXPECT_TRUE(near(img.pixel(10, 10), QColor(0, 0, 0)));
    EXPECT_NEAR(qBlue(img.pixel(30, 10)), 128, 3);
}

TEST(EraserStrokeLayerTest, ClearsTheBaseAlongItsPathAndDrawsNothingItself) {
    const QImage base = canvas(100, 60, QColor(40, 120, 200));
    EraserStrokeLayer eraser;
    eraser.points = {{10, 30}, {90, 30}, {90, 50}};
    eraser.width = 10;
    EXPECT_EQ(render(eraser, base), base);
    const QImage erased =
        DocumentFlattener::applyErasers(base, {std::make_shared<EraserStrokeLayer>(eraser)});
    for (const auto& [point, alpha] : {std::pair{QPoint(50, 30), 0},
                                       {QPoint(50, 26), 0},
                                       {QPoint(7, 30), 0},
                                       {QPoint(50, 20), 255},
                                       {QPoint(2, 30), 255}}) {
        EXPECT_EQ(qAlpha(erased.pixel(point)), alpha) << point.x() << "," << point.y();
    }
    eraser.width = 20;
    EXPECT_TRUE(rectNear(eraser.bounds(), QRectF(0, 20, 100, 40)));
    EXPECT_TRUE(eraser.hitTest({50, 39}));
    EXPECT_FALSE(eraser.hitTest({50, 41}));
    EXPECT_TRUE(eraser.hitTest({99, 50}));
}

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
        {10, end, {155.1, 50}, false}, {10, end, {0, 50}, false},     {10, start, {0, 50}, true}};
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

TEST(StepLayerTest, LabelsFollowTheSequence) {
    using S = StepSequence;
    const std::tuple<int, S, const char*> cases[] = {
        {7, S::numeric, "7"},          {123, S::numeric, "123"},         {1, S::upperLetter, "A"},
        {26, S::upperLetter, "Z"},     {27, S::upperLetter, "AA"},       {28, S::upperLetter, "AB"},
        {52, S::upperLetter, "AZ"},    {53, S::upperLetter, "BA"},       {702, S::upperLetter, "ZZ"},
        {703, S::upperLetter, "AAA"},  {3, S::lowerLetter, "c"},         {29, S::lowerLetter, "ac"},
        {1, S::upperRoman, "I"},       {4, S::upperRoman, "IV"},         {9, S::upperRoman, "IX"},
        {14, S::upperRoman, "XIV"},    {40, S::upperRoman, "XL"},        {90, S::upperRoman, "XC"},
        {400, S::upperRoman, "CD"},    {1994, S::upperRoman, "MCMXCIV"}, {3999, S::upperRoman, "MMMCMXCIX"},
        {4000, S::upperRoman, "4000"}, {4, S::lowerRoman, "iv"},         {1994, S::lowerRoman, "mcmxciv"},
        {5000, S::lowerRoman, "5000"}};
    for (const auto& [number, sequence, text] : cases) {
        EXPECT_EQ(StepLayer::label(number, sequence), QLatin1String(text)) << number;
    }
    for (StepSequence sequence : allCases<StepSequence>()) { // below one: decimal in every sequence
        EXPECT_EQ(StepLayer::label(0, sequence), "0") << rawValue(sequence).toStdString();
        EXPECT_EQ(StepLayer::label(-3, sequence), "-3") << rawValue(sequence).toStdString();
    }
}

TEST(StepLayerTest, OutlineIsNeverNegativeAndWidensTheBounds) {
    StepLayer step = badge({50, 50}, 1);
    step.outlineWidth = -6;
    step.outlineColor = Qt::black;
    EXPECT_EQ(step.bounds(), QRectF(30, 30, 40, 40));
    EXPECT_TRUE(near(render(step, canvas(100, 100, Qt::white)).pixel(50, 31), step.color,
                     12)); // no outline drawn either
    step.outlineWidth = 4;
    EXPECT_EQ(step.bounds(), QRectF(28, 28, 44, 44));
    StepLayer half = badge({50, 50}, 1, StepShape::square);
    half.opacity = 0.5;
    const QRgb mid = render(half, canvas(100, 100, Qt::white)).pixel(33, 50);
    EXPECT_NEAR(qRed(mid), (229 + 255) / 2, 4);
    EXPECT_NEAR(qGreen(mid), (57 + 255) / 2, 4);
}

TEST(StepLayerTest, HitTestFollowsTheShape) {
    StepLayer circle = badge({50, 50}, 1);
    EXPECT_TRUE(circle.hitTest({50, 50}));
    EXPECT_TRUE(circle.hitTest({50, 73.5}));  // within 4 of the edge
    EXPECT_FALSE(circle.hitTest({50, 74.5})); // beyond 4
    EXPECT_FALSE(circle.hitTest({69, 69}));   // the box's corner, 6.9 outside the circle
    EXPECT_TRUE(badge({50, 50}, 1, StepShape::square).hitTest({69, 69}));
    circle.outlineWidth = 12;
    EXPECT_TRUE(circle.hitTest({50, 75.5})); // half the outline (6) counts
}
