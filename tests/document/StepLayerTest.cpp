#include "document/StepLayer.h"

#include "support/ReferenceImage.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

QImage canvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(244, 245, 247));
    return image;
}

void render(QImage& image, const DrawingLayer& layer) {
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    layer.draw(painter, image);
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

bool near(QRgb pixel, QColor expected, int tolerance = 12) {
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

} // namespace

TEST(StepLayerTest, LabelsFollowTheSequence) {
    EXPECT_EQ(StepLayer::label(7, StepSequence::numeric), "7");
    EXPECT_EQ(StepLayer::label(123, StepSequence::numeric), "123");

    EXPECT_EQ(StepLayer::label(1, StepSequence::upperLetter), "A");
    EXPECT_EQ(StepLayer::label(26, StepSequence::upperLetter), "Z");
    EXPECT_EQ(StepLayer::label(27, StepSequence::upperLetter), "AA");
    EXPECT_EQ(StepLayer::label(28, StepSequence::upperLetter), "AB");
    EXPECT_EQ(StepLayer::label(52, StepSequence::upperLetter), "AZ");
    EXPECT_EQ(StepLayer::label(53, StepSequence::upperLetter), "BA");
    EXPECT_EQ(StepLayer::label(702, StepSequence::upperLetter), "ZZ");
    EXPECT_EQ(StepLayer::label(703, StepSequence::upperLetter), "AAA");
    EXPECT_EQ(StepLayer::label(3, StepSequence::lowerLetter), "c");
    EXPECT_EQ(StepLayer::label(29, StepSequence::lowerLetter), "ac");

    EXPECT_EQ(StepLayer::label(1, StepSequence::upperRoman), "I");
    EXPECT_EQ(StepLayer::label(4, StepSequence::upperRoman), "IV");
    EXPECT_EQ(StepLayer::label(9, StepSequence::upperRoman), "IX");
    EXPECT_EQ(StepLayer::label(14, StepSequence::upperRoman), "XIV");
    EXPECT_EQ(StepLayer::label(40, StepSequence::upperRoman), "XL");
    EXPECT_EQ(StepLayer::label(90, StepSequence::upperRoman), "XC");
    EXPECT_EQ(StepLayer::label(400, StepSequence::upperRoman), "CD");
    EXPECT_EQ(StepLayer::label(1994, StepSequence::upperRoman), "MCMXCIV");
    EXPECT_EQ(StepLayer::label(3999, StepSequence::upperRoman), "MMMCMXCIX");
    EXPECT_EQ(StepLayer::label(4000, StepSequence::upperRoman), "4000");
    EXPECT_EQ(StepLayer::label(4, StepSequence::lowerRoman), "iv");
    EXPECT_EQ(StepLayer::label(1994, StepSequence::lowerRoman), "mcmxciv");
    EXPECT_EQ(StepLayer::label(5000, StepSequence::lowerRoman), "5000");
}

TEST(StepLayerTest, NumbersBelowOneAreDecimalInEverySequence) {
    for (StepSequence sequence : allCases<StepSequence>()) {
        EXPECT_EQ(StepLayer::label(0, sequence), "0") << rawValue(sequence).toStdString();
        EXPECT_EQ(StepLayer::label(-3, sequence), "-3") << rawValue(sequence).toStdString();
    }
}

TEST(StepLayerTest, TeardropFollowsItsCurves) {
    StepLayer step = badge({50, 40}, 1, StepShape::teardrop);
    const QPainterPath path = step.badgePath();
    // r = 20: box 30..70 x 20..60, x0 = 50, ym = 40.
    ASSERT_EQ(path.elementCount(), 1 + 4 * 3);
    const auto at = [&](int i) { return QPointF(path.elementAt(i).x, path.elementAt(i).y); };
    EXPECT_EQ(at(0), QPointF(70, 40));
    EXPECT_EQ(at(1), QPointF(50 + 0.72 * 20, 40 + 0.58 * 20));
    EXPECT_EQ(at(2), QPointF(50 + 0.56 * 20, 60));
    EXPECT_EQ(at(3), QPointF(50, 60));
    EXPECT_EQ(at(4), QPointF(50 - 0.55 * 20, 60));
    EXPECT_EQ(at(5), QPointF(30, 40 + 0.55 * 20));
    EXPECT_EQ(at(6), QPointF(30, 40));
    EXPECT_EQ(at(7), QPointF(30, 40 - 0.55 * 20));
    EXPECT_EQ(at(8), QPointF(50 - 0.55 * 20, 20));
    EXPECT_EQ(at(9), QPointF(50, 20));
    EXPECT_EQ(at(10), QPointF(50 + 0.56 * 20, 20));
    EXPECT_EQ(at(11), QPointF(50 + 0.72 * 20, 40 - 0.58 * 20));
    EXPECT_EQ(at(12), QPointF(70, 40));
}

TEST(StepLayerTest, ShapesFillTheirSquare) {
    const QPointF c(50, 50);
    const QPointF nearCorner(50 + 19, 50 - 19);
    EXPECT_FALSE(badge(c, 1, StepShape::circle).badgePath().contains(nearCorner));
    EXPECT_TRUE(badge(c, 1, StepShape::square).badgePath().contains(nearCorner));
    // Default rounding of the rounded square is 0.4 * radius = 8: the very corner is cut.
    StepLayer rounded = badge(c, 1, StepShape::roundedSquare);
    EXPECT_DOUBLE_EQ(rounded.roundedSquareRadius(), 8);
    EXPECT_FALSE(rounded.badgePath().contains(nearCorner));
    EXPECT_TRUE(rounded.badgePath().contains(QPointF(50 + 19, 50 - 10)));
    rounded.cornerRadius = 1;
    EXPECT_TRUE(rounded.badgePath().contains(nearCorner));
    rounded.cornerRadius = 100;
    EXPECT_DOUBLE_EQ(rounded.roundedSquareRadius(), 20);
    for (StepShape shape : allCases<StepShape>()) {
        const QRectF box = badge(c, 1, shape).badgePath().boundingRect();
        EXPECT_NEAR(box.left(), 30, 0.01) << rawValue(shape).toStdString();
        EXPECT_NEAR(box.right(), 70, 0.01) << rawValue(shape).toStdString();
        EXPECT_NEAR(box.top(), 30, 0.01) << rawValue(shape).toStdString();
        EXPECT_NEAR(box.bottom(), 70, 0.01) << rawValue(shape).toStdString();
    }
}

TEST(StepLayerTest, OutlineWidthIsNeverNegativeAndGrowsTheBounds) {
    StepLayer step = badge({50, 50}, 1);
    step.outlineWidth = -6;
    EXPECT_EQ(step.effectiveOutlineWidth(), 0);
    EXPECT_EQ(step.bounds(), QRectF(30, 30, 40, 40));
    step.outlineWidth = 4;
    EXPECT_EQ(step.bounds(), QRectF(28, 28, 44, 44));

    // A negative width draws no outline at all.
    step.outlineWidth = -6;
    step.outlineColor = Qt::black;
    QImage image = canvas(100, 100);
    render(image, step);
    EXPECT_TRUE(near(image.pixel(50, 31), step.color));
}

TEST(StepLayerTest, LabelIsCentredAndFitsTheBadge) {
    for (int number : {1, 8, 42, 3888}) {
        for (StepShape shape : allCases<StepShape>()) {
            StepLayer step = badge({60, 60}, number, shape);
            step.sequence = number == 3888 ? StepSequence::upperRoman : StepSequence::numeric;
            const QRectF ink = step.labelPath().boundingRect();
            ASSERT_FALSE(ink.isEmpty());
            EXPECT_NEAR(ink.center().x(), 60, 0.5) << number;
            EXPECT_NEAR(ink.center().y(), 60, 0.5) << number;
            EXPECT_LE(ink.width(), 1.6 * 20) << number;
            EXPECT_LE(ink.height(), 20.01) << number;
            EXPECT_TRUE(step.badgePath().boundingRect().contains(ink)) << number;
        }
    }
    // A single digit is drawn large, not shrunk like a long label.
    EXPECT_GT(badge({60, 60}, 8).labelPath().boundingRect().height(), 0.7 * 20);
}

TEST(StepLayerTest, BoldByDefault) {
    StepLayer regular = badge({60, 60}, 8);
    regular.fontWeight = TextFontWeight::regular;
    StepLayer bold = badge({60, 60}, 8);
    EXPECT_EQ(bold.fontWeight, TextFontWeight::bold);
    QImage a = canvas(120, 120);
    QImage b = canvas(120, 120);
    render(a, regular);
    render(b, bold);
    const auto whiteCount = [](const QImage& image) {
        int count = 0;
        for (int y = 40; y < 80; ++y) {
            for (int x = 40; x < 80; ++x) {
                count += qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) > 200;
            }
        }
        return count;
    };
    EXPECT_GT(whiteCount(b), whiteCount(a) * 1.08);
}

TEST(StepLayerTest, DrawsFillOutlineAndLabel) {
    StepLayer step = badge({50, 50}, 1);
    step.outlineColor = QColor(20, 20, 20);
    step.outlineWidth = 4;
    QImage image = canvas(100, 100);
    render(image, step);
    EXPECT_TRUE(near(image.pixel(36, 50), step.color));        // inside the fill
    EXPECT_TRUE(near(image.pixel(30, 50), step.outlineColor)); // on the outline, centred on the edge
    EXPECT_TRUE(near(image.pixel(4, 4), QColor(244, 245, 247)));
    int labelPixels = 0;
    for (int y = 40; y < 60; ++y) {
        for (int x = 40; x < 60; ++x) {
            labelPixels += near(image.pixel(x, y), Qt::white, 20);
        }
    }
    EXPECT_GT(labelPixels, 20);
}

TEST(StepLayerTest, DashedOutlineLeavesGaps) {
    StepLayer step = badge({60, 60}, 1, StepShape::square);
    step.radius = 40;
    step.outlineColor = Qt::black;
    step.outlineWidth = 2;
    step.outlineStyle = ArrowLineStyle::dashed;
    QImage image = canvas(120, 120);
    render(image, step);
    int dark = 0;
    int light = 0;
    for (int x = 30; x < 90; ++x) {
        const int value = qGray(image.pixel(x, 19));
        dark += value < 60;
        light += value > 180;
    }
    EXPECT_GT(dark, 15);
    EXPECT_GT(light, 10);
}

TEST(StepLayerTest, OpacityAndShadow) {
    StepLayer step = badge({50, 50}, 1, StepShape::square);
    step.opacity = 0.5;
    QImage image = canvas(100, 100);
    image.fill(Qt::white);
    render(image, step);
    const QRgb mid = image.pixel(33, 50);
    EXPECT_NEAR(qRed(mid), (229 + 255) / 2, 4);
    EXPECT_NEAR(qGreen(mid), (57 + 255) / 2, 4);

    StepLayer shadowed = badge({50, 50}, 1, StepShape::square);
    shadowed.shadow = ShadowStyle::hard;
    QImage withShadow = canvas(100, 100);
    withShadow.fill(Qt::white);
    render(withShadow, shadowed);
    // Hard shadow: offset 2 right, 3 down.
    EXPECT_LT(qGray(withShadow.pixel(71, 60)), 235);
    EXPECT_EQ(qGray(withShadow.pixel(60, 26)), 255);
}

TEST(StepLayerTest, HitTestFollowsTheShape) {
    StepLayer circle = badge({50, 50}, 1);
    EXPECT_TRUE(circle.hitTest({50, 50}));
    EXPECT_TRUE(circle.hitTest({50, 73.5}));  // within 4 of the edge
    EXPECT_FALSE(circle.hitTest({50, 74.5})); // beyond 4
    EXPECT_FALSE(circle.hitTest({69, 69}));   // the box's corner, 6.9 outside the circle
    EXPECT_TRUE(badge({50, 50}, 1, StepShape::square).hitTest({69, 69}));
    StepLayer outlined = badge({50, 50}, 1);
    outlined.outlineWidth = 12;
    EXPECT_TRUE(outlined.hitTest({50, 75.5})); // half the outline (6) counts
}

TEST(StepLayerTest, TranslatedMovesTheCentreAndUnlocks) {
    StepLayer step = badge({50, 50}, 3, StepShape::teardrop);
    step.isLocked = true;
    step.shadow = ShadowStyle::soft;
    step.opacity = 0.7;
    const auto moved = std::dynamic_pointer_cast<StepLayer>(step.translated(5, -7));
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->center, QPointF(55, 43));
    EXPECT_FALSE(moved->isLocked);
    EXPECT_EQ(moved->number, 3);
    EXPECT_EQ(moved->shape, StepShape::teardrop);
    EXPECT_EQ(moved->shadow, ShadowStyle::soft);
    EXPECT_EQ(moved->opacity, 0.7);
}

TEST(StepLayerTest, ReferenceShapes) {
    QImage image = canvas(160, 48);
    const QColor colors[] = {QColor(229, 57, 53), QColor(30, 136, 229), QColor(67, 160, 71),
                             QColor(251, 140, 0)};
    int i = 0;
    for (StepShape shape : allCases<StepShape>()) {
        StepLayer step = badge({22.0 + 38 * i, 24}, i + 1, shape);
        step.radius = 16;
        step.color = colors[i];
        step.outlineColor = Qt::white;
        step.outlineWidth = 2;
        step.shadow = ShadowStyle::soft;
        render(image, step);
        ++i;
    }
    EXPECT_TRUE(test::matchesReference(image, "step_shapes"));
}

TEST(StepLayerTest, ReferenceSequences) {
    QImage image = canvas(160, 40);
    const struct {
        StepSequence sequence;
        int number;
    } items[] = {{StepSequence::numeric, 12},
                 {StepSequence::upperLetter, 28},
                 {StepSequence::lowerLetter, 2},
                 {StepSequence::upperRoman, 4},
                 {StepSequence::lowerRoman, 9}};
    int i = 0;
    for (const auto& item : items) {
        StepLayer step = badge({18.0 + 31 * i, 20}, item.number);
        step.radius = 14;
        step.sequence = item.sequence;
        step.color = QColor(38, 50, 56);
        step.textColor = QColor(255, 213, 79);
        render(image, step);
        ++i;
    }
    EXPECT_TRUE(test::matchesReference(image, "step_sequences"));
}
