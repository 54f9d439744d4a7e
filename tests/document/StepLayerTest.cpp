#include "document/StepLayer.h"
#include "support/Drawing.h"

#include <gtest/gtest.h>

using namespace mebo;
using test::near;

namespace {

const QColor kPaper(244, 245, 247);

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

QImage drawn(const StepLayer& step, int w = 100, int h = 100, QColor paper = kPaper) {
    return test::render(step, test::canvas(w, h, paper));
}

} // namespace

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
        {5000, S::lowerRoman, "5000"},
    };
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
    EXPECT_EQ(step.effectiveOutlineWidth(), 0);
    EXPECT_EQ(step.bounds(), QRectF(30, 30, 40, 40));
    EXPECT_TRUE(near(drawn(step).pixel(50, 31), step.color, 12)); // no outline drawn either
    step.outlineWidth = 4;
    EXPECT_EQ(step.bounds(), QRectF(28, 28, 44, 44));
    StepLayer half = badge({50, 50}, 1, StepShape::square);
    half.opacity = 0.5;
    const QRgb mid = drawn(half, 100, 100, Qt::white).pixel(33, 50);
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
