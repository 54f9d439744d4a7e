#include "document/TextLayer.h"
#include "support/Drawing.h"

#include <gtest/gtest.h>

using namespace mebo;
using test::near;

namespace {

const QColor kPaper(244, 245, 247);

TextLayer label(const QString& text, QPointF position = {10, 10}) {
    TextLayer layer;
    layer.position = position;
    layer.text = text;
    layer.fontSize = 20;
    layer.color = QColor(30, 30, 30);
    layer.outlineColor = Qt::transparent; // no outline unless a case asks for one
    layer.fontWeight = TextFontWeight::regular;
    return layer;
}

QImage drawn(const TextLayer& layer, int w, int h, QColor paper = kPaper) {
    return test::render(layer, test::canvas(w, h, paper));
}

} // namespace

TEST(TextLayerTest, BoxIsTheLaidOutTextPlusPadding) {
    const TextLayer layer = label(QStringLiteral("Hello"));
    const QSizeF text = layer.layout().size();
    EXPECT_EQ(layer.box(), QRectF(10, 10, text.width() + 16, text.height() + 12));
    EXPECT_EQ(layer.bounds(), layer.box()); // without an outline
    EXPECT_TRUE(layer.hitTest(layer.box().bottomRight() + QPointF(4, 4)));
    EXPECT_FALSE(layer.hitTest(layer.box().bottomRight() + QPointF(4.01, 0)));
    // Empty text keeps one line.
    const TextLayer empty = label(QString());
    EXPECT_EQ(empty.layout().lines().size(), 1);
    EXPECT_DOUBLE_EQ(empty.box().height(), label(QStringLiteral("Ag")).box().height());
    EXPECT_DOUBLE_EQ(empty.box().width(), 16);
}

TEST(TextLayerTest, LinesHeightsAlignmentAndWidths) {
    TextLayer three = label(QStringLiteral("one\ntwo\r\nthree"));
    const double line = label(QStringLiteral("one")).layout().size().height();
    ASSERT_EQ(three.layout().lines().size(), 3);
    EXPECT_NEAR(three.layout().size().height(), 3 * line, 0.01);
    EXPECT_EQ(label(QStringLiteral("one\n")).layout().lines().size(), 2);
    three.lineHeightMultiple = 2; // the extra space is shared above and below each line
    EXPECT_NEAR(three.layout().size().height(), 6 * line, 0.01);
    EXPECT_NEAR(three.layout().lines()[1].box.top(), 2 * line, 0.01);
    EXPECT_GT(AnnotationTextLayout(QStringLiteral("one"), three.textStyle()).glyphs().boundingRect().top(),
              line / 2);
    three.lineHeightMultiple = 0; // unusable: 1
    EXPECT_NEAR(three.layout().size().height(), 3 * line, 0.01);

    TextLayer two = label(QStringLiteral("a much longer line\nshort"));
    const double width = two.layout().size().width();
    EXPECT_DOUBLE_EQ(two.layout().lines()[0].width, width);
    EXPECT_EQ(two.layout().lines()[1].x, 0);
    two.align = TextAlign::center;
    EXPECT_NEAR(two.layout().lines()[1].x, (width - two.layout().lines()[1].width) / 2, 0.01);
    two.align = TextAlign::right;
    EXPECT_NEAR(two.layout().lines()[1].x + two.layout().lines()[1].width, width, 0.01);
    EXPECT_GT(two.layout().lines()[1].x, 20);

    const TextLayer plain = label(QStringLiteral("tracking"));
    TextLayer spaced = plain;
    spaced.trackingPt = 3; // eight characters, each advanced by 3 more
    EXPECT_NEAR(spaced.layout().size().width() - plain.layout().size().width(), 24, 3.01);
}

TEST(TextLayerTest, BackgroundIsARoundedBoxWithItsOwnPadding) {
    TextLayer layer = label(QStringLiteral("Pad"));
    layer.backgroundPadding = 14;
    layer.backgroundColor = QColor(0, 0, 0, 2); // alpha 0.008: not visible, no padding
    EXPECT_FALSE(layer.hasVisibleBackground());
    EXPECT_EQ(layer.padding(), QSizeF(8, 6));
    layer.backgroundColor = QColor(255, 235, 59);
    EXPECT_EQ(layer.padding(), QSizeF(14, 14));
    EXPECT_DOUBLE_EQ(layer.box().height(), layer.layout().size().height() + 28);
    layer.backgroundPadding.reset();
    EXPECT_EQ(layer.padding(), QSizeF(8, 6));

    EXPECT_DOUBLE_EQ(layer.backgroundRadius(), 6);
    layer.backgroundCornerRadius = -3;
    EXPECT_DOUBLE_EQ(layer.backgroundRadius(), 0);
    layer.backgroundCornerRadius = 500; // a pill at most
    EXPECT_DOUBLE_EQ(layer.backgroundRadius(), layer.box().height() / 2);

    // How the rounded box looks is the text_background scene's; opacity applies to the whole label
    // once.
    layer.backgroundColor = QColor(0, 0, 0);
    layer.opacity = 0.5;
    EXPECT_NEAR(qRed(drawn(layer, 100, 50, Qt::white).pixel(12, 20)), 128, 3);
}

TEST(TextLayerTest, OutlineSurroundsTheGlyphsInOnePass) {
    TextLayer layer = label(QStringLiteral("I"), {20, 10});
    layer.fontSize = 40;
    layer.color = QColor(200, 0, 0);
    layer.outlineColor = QColor(0, 0, 200);
    layer.outlineWidthPercent = 20; // ring 8, stroke 8: reaches 12 past the glyph
    const QRectF ink =
        layer.layout().glyphs().boundingRect().translated(layer.box().topLeft() + QPointF(8, 6));
    const int midY = int(ink.center().y());
    QImage image = drawn(layer, 100, 80);
    EXPECT_TRUE(near(image.pixel(int(ink.center().x()), midY), layer.color, 30));
    EXPECT_TRUE(near(image.pixel(int(ink.left()) - 6, midY), layer.outlineColor, 30));
    EXPECT_TRUE(near(image.pixel(int(ink.right()) + 16, midY), kPaper, 8));
    // A translucent outline colour is laid down once, not once per ring position.
    layer.outlineColor = QColor(0, 0, 200, 128);
    const QRgb ring = drawn(layer, 100, 80, Qt::white).pixel(int(ink.left()) - 6, midY);
    EXPECT_NEAR(qRed(ring), 127, 6);
    EXPECT_NEAR(qBlue(ring), 228, 6);
}
