#include "document/TextLayer.h"

#include "support/ReferenceImage.h"

#include <QPainter>
#include <gtest/gtest.h>

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

TextLayer label(const QString& text, QPointF position = {10, 10}) {
    TextLayer layer;
    layer.position = position;
    layer.text = text;
    layer.fontSize = 20;
    layer.color = QColor(30, 30, 30);
    layer.outlineColor = Qt::transparent; // no outline unless a test asks for one
    layer.fontWeight = TextFontWeight::regular;
    return layer;
}

bool near(QRgb pixel, QColor expected, int tolerance = 12) {
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

int countPixels(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& test) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            count += test(image.pixel(x, y));
        }
    }
    return count;
}

} // namespace

TEST(TextLayerTest, BoxIsTheLaidOutTextPlusPadding) {
    const TextLayer layer = label(QStringLiteral("Hello"));
    const AnnotationTextLayout layout = layer.layout();
    ASSERT_GT(layout.size().width(), 30);
    EXPECT_EQ(layer.padding(), QSizeF(8, 6));
    const QRectF box = layer.box();
    EXPECT_EQ(box.topLeft(), QPointF(10, 10));
    EXPECT_DOUBLE_EQ(box.width(), layout.size().width() + 16);
    EXPECT_DOUBLE_EQ(box.height(), layout.size().height() + 12);
    // Without an outline the bounds are the box.
    EXPECT_EQ(layer.bounds(), box);
    // The box's height is one line of a 20-unit font.
    EXPECT_GT(layout.size().height(), 20);
    EXPECT_LT(layout.size().height(), 30);
}

TEST(TextLayerTest, EmptyTextKeepsOneLine) {
    const TextLayer empty = label(QString());
    const TextLayer one = label(QStringLiteral("Ag"));
    EXPECT_EQ(empty.layout().lines().size(), 1);
    EXPECT_DOUBLE_EQ(empty.box().height(), one.box().height());
    EXPECT_DOUBLE_EQ(empty.box().width(), 16);
}

TEST(TextLayerTest, LineBreaksAndLineHeightMultiple) {
    TextLayer single = label(QStringLiteral("one"));
    TextLayer three = label(QStringLiteral("one\ntwo\r\nthree"));
    const double line = single.layout().size().height();
    ASSERT_EQ(three.layout().lines().size(), 3);
    EXPECT_NEAR(three.layout().size().height(), 3 * line, 0.01);
    TextLayer trailing = label(QStringLiteral("one\n"));
    EXPECT_EQ(trailing.layout().lines().size(), 2);

    three.lineHeightMultiple = 2;
    EXPECT_NEAR(three.layout().size().height(), 6 * line, 0.01);
    // The extra space is shared above and below each line's glyphs.
    const auto lines = three.layout().lines();
    EXPECT_NEAR(lines[1].box.top(), 2 * line, 0.01);
    const QRectF firstInk =
        AnnotationTextLayout(QStringLiteral("one"), three.textStyle()).glyphs().boundingRect();
    EXPECT_GT(firstInk.top(), line * 0.5);
    // Unusable multiples fall back to 1.
    three.lineHeightMultiple = 0;
    EXPECT_NEAR(three.layout().size().height(), 3 * line, 0.01);
}

TEST(TextLayerTest, AlignmentPlacesLinesInTheWidestLine) {
    TextLayer layer = label(QStringLiteral("a much longer line\nshort"));
    layer.align = TextAlign::left;
    const auto leftLines = layer.layout().lines();
    const double width = layer.layout().size().width();
    EXPECT_DOUBLE_EQ(leftLines[0].width, width);
    EXPECT_EQ(leftLines[1].x, 0);
    layer.align = TextAlign::center;
    const auto centred = layer.layout().lines();
    EXPECT_NEAR(centred[1].x, (width - centred[1].width) / 2, 0.01);
    layer.align = TextAlign::right;
    const auto right = layer.layout().lines();
    EXPECT_NEAR(right[1].x + right[1].width, width, 0.01);
    EXPECT_GT(right[1].x, 20);
}

TEST(TextLayerTest, TrackingAndWeightChangeTheWidth) {
    TextLayer plain = label(QStringLiteral("tracking"));
    TextLayer spaced = plain;
    spaced.trackingPt = 3;
    // Eight characters, each advanced by 3 more.
    EXPECT_NEAR(spaced.layout().size().width() - plain.layout().size().width(), 8 * 3, 3.01);
    TextLayer bold = plain;
    bold.fontWeight = TextFontWeight::bold;
    EXPECT_GT(bold.layout().size().width(), plain.layout().size().width());
    TextLayer bigger = plain;
    bigger.fontSize = 40;
    EXPECT_NEAR(bigger.layout().size().width(), 2 * plain.layout().size().width(), 1);
}

TEST(TextLayerTest, BackgroundPaddingOnlyWithAVisibleBackground) {
    TextLayer layer = label(QStringLiteral("Pad"));
    layer.backgroundPadding = 14;
    layer.backgroundColor = QColor(0, 0, 0, 2); // alpha 0.008: not visible
    EXPECT_FALSE(layer.hasVisibleBackground());
    EXPECT_EQ(layer.padding(), QSizeF(8, 6));
    layer.backgroundColor = QColor(255, 235, 59);
    EXPECT_EQ(layer.padding(), QSizeF(14, 14));
    EXPECT_DOUBLE_EQ(layer.box().height(), layer.layout().size().height() + 28);
    layer.backgroundPadding.reset();
    EXPECT_EQ(layer.padding(), QSizeF(8, 6));
}

TEST(TextLayerTest, BackgroundIsARoundedBox) {
    TextLayer layer = label(QStringLiteral("Note"));
    layer.backgroundColor = QColor(255, 235, 59);
    EXPECT_DOUBLE_EQ(layer.backgroundRadius(), 6);
    layer.backgroundCornerRadius = 500;
    EXPECT_DOUBLE_EQ(layer.backgroundRadius(), layer.box().height() / 2);
    layer.backgroundCornerRadius = -3;
    EXPECT_DOUBLE_EQ(layer.backgroundRadius(), 0);

    layer.backgroundCornerRadius = 500;
    QImage image = canvas(140, 60);
    render(image, layer);
    const QRectF box = layer.box();
    EXPECT_TRUE(near(image.pixel(int(box.left()) + 2, int(box.center().y())), layer.backgroundColor));
    // The corner is cut by the pill shape.
    EXPECT_TRUE(near(image.pixel(int(box.left()) + 1, int(box.top()) + 1), kPaper));

    layer.backgroundCornerRadius = 0;
    QImage square = canvas(140, 60);
    render(square, layer);
    EXPECT_TRUE(near(square.pixel(int(box.left()) + 1, int(box.top()) + 1), layer.backgroundColor));
}

TEST(TextLayerTest, OutlineRingsHaveTheirPositions) {
    // 24 + 20 + 16 + 12 positions when every ring is wider than 0.35.
    const QList<QPointF> all = TextLayer::outlineOffsets(10);
    ASSERT_EQ(all.size(), 72);
    EXPECT_NEAR(all[0].x(), 10, 1e-9);
    EXPECT_NEAR(all[0].y(), 0, 1e-9);
    EXPECT_NEAR(all[6].y(), 10, 1e-9); // a quarter turn on the outer ring
    EXPECT_NEAR(std::hypot(all[24].x(), all[24].y()), 7.2, 1e-9);
    EXPECT_NEAR(std::hypot(all[44].x(), all[44].y()), 4.5, 1e-9);
    EXPECT_NEAR(std::hypot(all[60].x(), all[60].y()), 2.2, 1e-9);
    // R = 1: the 0.22 ring is skipped.
    EXPECT_EQ(TextLayer::outlineOffsets(1).size(), 60);
    // R = 0.7: 0.45 R = 0.315 and 0.22 R are skipped.
    EXPECT_EQ(TextLayer::outlineOffsets(0.7).size(), 44);
    // 0.35 itself is skipped.
    EXPECT_EQ(TextLayer::outlineOffsets(0.35).size(), 0);
}

TEST(TextLayerTest, OutlineRadiusAndWhenItIsDrawn) {
    TextLayer layer = label(QStringLiteral("Out"));
    layer.outlineColor = Qt::white;
    EXPECT_DOUBLE_EQ(layer.outlinePercent(), 30); // unset gives 30
    EXPECT_DOUBLE_EQ(layer.outlineRingRadius(), 6);
    // Ring radius plus half a stroke of 30 % of the font size.
    EXPECT_DOUBLE_EQ(layer.outlineReach(), 9);
    EXPECT_EQ(layer.bounds(), layer.box().adjusted(-9, -9, 9, 9));

    layer.outlineWidthPercent = -10; // the sign is ignored
    EXPECT_DOUBLE_EQ(layer.outlineRingRadius(), 2);
    layer.fontSize = 5;
    EXPECT_DOUBLE_EQ(layer.outlineRingRadius(), 1); // never below 1
    layer.outlineWidthPercent = 0.0005;
    EXPECT_DOUBLE_EQ(layer.outlineRingRadius(), 0);
    EXPECT_EQ(layer.bounds(), layer.box());
    layer.outlineWidthPercent = 30;
    layer.outlineColor = QColor(255, 255, 255, 2);
    EXPECT_DOUBLE_EQ(layer.outlinePercent(), 0);
}

TEST(TextLayerTest, OutlineSurroundsTheGlyphs) {
    TextLayer layer = label(QStringLiteral("I"), {20, 10});
    layer.fontSize = 40;
    layer.color = QColor(200, 0, 0);
    layer.outlineColor = QColor(0, 0, 200);
    layer.outlineWidthPercent = 20; // ring 8, stroke 8: reaches 12 past the glyph
    QImage image = canvas(100, 80);
    render(image, layer);
    const QRectF ink =
        layer.layout().glyphs().boundingRect().translated(layer.box().topLeft() + QPointF(8, 6));
    const int midY = int(ink.center().y());
    EXPECT_TRUE(near(image.pixel(int(ink.center().x()), midY), layer.color, 30));
    EXPECT_TRUE(near(image.pixel(int(ink.left()) - 6, midY), layer.outlineColor, 30));
    EXPECT_TRUE(near(image.pixel(int(ink.right()) + 6, midY), layer.outlineColor, 30));
    EXPECT_TRUE(near(image.pixel(int(ink.right()) + 16, midY), kPaper, 8));

    // A translucent outline colour is laid down once, not once per ring position.
    layer.outlineColor = QColor(0, 0, 200, 128);
    QImage translucent = canvas(100, 80);
    translucent.fill(Qt::white);
    render(translucent, layer);
    const QRgb ring = translucent.pixel(int(ink.left()) - 6, midY);
    EXPECT_NEAR(qRed(ring), 127, 6);
    EXPECT_NEAR(qBlue(ring), 228, 6);
}

TEST(TextLayerTest, DecorationStylesDiffer) {
    TextLayer layer = label(QStringLiteral("styled"));
    layer.underline = true;
    const auto bars = [&](std::optional<TextLineStyle> style) {
        layer.underlineStyle = style;
        return layer.layout().decorations();
    };
    const QPainterPath single = bars(std::nullopt); // unset draws a single line
    const QPainterPath singleSet = bars(TextLineStyle::single);
    const QPainterPath doubled = bars(TextLineStyle::double_);
    const QPainterPath thick = bars(TextLineStyle::thick);
    EXPECT_EQ(single.boundingRect(), singleSet.boundingRect());
    EXPECT_EQ(single.toSubpathPolygons().size(), 1);
    EXPECT_EQ(doubled.toSubpathPolygons().size(), 2);
    EXPECT_EQ(thick.toSubpathPolygons().size(), 1);
    EXPECT_GT(thick.boundingRect().height(), 2 * single.boundingRect().height());
    EXPECT_GT(doubled.boundingRect().height(), 2 * single.boundingRect().height());
    // The underline spans the text and sits below the baseline.
    const AnnotationTextLayout layout = layer.layout();
    const AnnotationTextLayout::Line line = layout.lines().first();
    EXPECT_NEAR(single.boundingRect().width(), line.width, 0.01);
    EXPECT_GT(single.boundingRect().top(), line.baseline);

    layer.underline = false;
    layer.strike = true;
    layer.strikeStyle = TextLineStyle::thick;
    const QRectF strike = layer.layout().decorations().boundingRect();
    EXPECT_LT(strike.bottom(), line.baseline);
    EXPECT_GT(strike.top(), line.baseline - 20 * 0.6);
    layer.underline = true;
    layer.strikeStyle = TextLineStyle::double_;
    EXPECT_EQ(layer.layout().decorations().toSubpathPolygons().size(), 3);
}

TEST(TextLayerTest, DrawsTheTextInItsColour) {
    TextLayer layer = label(QStringLiteral("MMM"), {5, 5});
    layer.color = QColor(20, 120, 220);
    QImage image = canvas(120, 50);
    render(image, layer);
    const QRect box = layer.box().toAlignedRect();
    EXPECT_GT(countPixels(image, box, [&](QRgb p) { return near(p, layer.color, 10); }), 40);
    EXPECT_EQ(countPixels(image, image.rect().adjusted(box.right() + 2, 0, 0, 0),
                          [&](QRgb p) { return !near(p, kPaper, 2); }),
              0);
    // Moving the layer moves the drawing.
    QImage moved = canvas(120, 50);
    render(moved, *layer.translated(30, 0));
    EXPECT_EQ(moved.copy(35, 0, 85, 50), image.copy(5, 0, 85, 50));
}

TEST(TextLayerTest, OpacityAndShadowApplyToTheWholeLabel) {
    TextLayer layer = label(QStringLiteral("Op"));
    layer.backgroundColor = QColor(0, 0, 0);
    layer.opacity = 0.5;
    QImage image = canvas(100, 50);
    image.fill(Qt::white);
    render(image, layer);
    EXPECT_NEAR(qRed(image.pixel(12, 20)), 128, 3);

    TextLayer shadowed = label(QStringLiteral("Sh"));
    shadowed.backgroundColor = QColor(255, 255, 255);
    shadowed.shadow = ShadowStyle::hard;
    QImage withShadow = canvas(100, 60);
    withShadow.fill(QColor(255, 255, 255));
    render(withShadow, shadowed);
    const QRectF box = shadowed.box();
    // Hard shadow: 2 right, 3 down, below the white box.
    EXPECT_LT(qGray(withShadow.pixel(int(box.center().x()), int(box.bottom()) + 1)), 230);
}

TEST(TextLayerTest, TranslatedCopiesEverything) {
    TextLayer layer = label(QStringLiteral("copy"));
    layer.isLocked = true;
    layer.italic = true;
    layer.underlineStyle = TextLineStyle::thick;
    layer.shadow = ShadowStyle::soft;
    const auto moved = std::dynamic_pointer_cast<TextLayer>(layer.translated(-4, 6));
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->position, QPointF(6, 16));
    EXPECT_FALSE(moved->isLocked);
    EXPECT_TRUE(moved->italic);
    EXPECT_EQ(moved->underlineStyle, TextLineStyle::thick);
    EXPECT_EQ(moved->shadow, ShadowStyle::soft);
    EXPECT_EQ(moved->bounds(), layer.bounds().translated(-4, 6));
}

TEST(TextLayerTest, HitTestUsesTheBox) {
    TextLayer layer = label(QStringLiteral("hit"));
    const QRectF box = layer.box();
    EXPECT_TRUE(layer.hitTest(box.center()));
    EXPECT_TRUE(layer.hitTest(box.bottomRight() + QPointF(4, 4)));
    EXPECT_FALSE(layer.hitTest(box.bottomRight() + QPointF(4.01, 0)));
}

TEST(TextLayerTest, ReferencePlain) {
    TextLayer layer = label(QStringLiteral("Click here\nthen Save"), {4, 4});
    layer.fontWeight = TextFontWeight::semibold;
    layer.align = TextAlign::center;
    layer.color = QColor(33, 33, 33);
    layer.fontSize = 18;
    QImage image = canvas(140, 64);
    render(image, layer);
    EXPECT_TRUE(test::matchesReference(image, "text_plain"));
}

TEST(TextLayerTest, ReferenceBackground) {
    TextLayer layer = label(QStringLiteral("Version 2.4"), {6, 8});
    layer.fontWeight = TextFontWeight::bold;
    layer.color = Qt::white;
    layer.backgroundColor = QColor(25, 118, 210);
    layer.backgroundPadding = 10;
    layer.backgroundCornerRadius = 10;
    layer.fontSize = 16;
    layer.shadow = ShadowStyle::soft;
    QImage image = canvas(150, 60);
    render(image, layer);
    EXPECT_TRUE(test::matchesReference(image, "text_background"));
}

TEST(TextLayerTest, ReferenceOutlined) {
    TextLayer layer = label(QStringLiteral("WOW!"), {2, 2});
    layer.fontSize = 30;
    layer.fontWeight = TextFontWeight::heavy;
    layer.color = QColor(255, 193, 7);
    layer.outlineColor = QColor(33, 33, 33);
    layer.outlineWidthPercent = 12;
    QImage image = canvas(140, 60);
    render(image, layer);
    EXPECT_TRUE(test::matchesReference(image, "text_outlined"));
}

TEST(TextLayerTest, ReferenceDecorations) {
    QImage image = canvas(160, 110);
    const struct {
        bool underline;
        std::optional<TextLineStyle> underlineStyle;
        bool strike;
        std::optional<TextLineStyle> strikeStyle;
        const char* text;
    } rows[] = {{true, std::nullopt, false, std::nullopt, "single line"},
                {true, TextLineStyle::double_, false, std::nullopt, "double line"},
                {true, TextLineStyle::thick, false, std::nullopt, "thick line"},
                {false, std::nullopt, true, TextLineStyle::single, "struck out"}};
    int row = 0;
    for (const auto& r : rows) {
        TextLayer layer = label(QString::fromLatin1(r.text), {0, 2.0 + 26 * row});
        layer.fontSize = 17;
        layer.color = QColor(194, 24, 91);
        layer.underline = r.underline;
        layer.underlineStyle = r.underlineStyle;
        layer.strike = r.strike;
        layer.strikeStyle = r.strikeStyle;
        render(image, layer);
        ++row;
    }
    EXPECT_TRUE(test::matchesReference(image, "text_decorations"));
}
