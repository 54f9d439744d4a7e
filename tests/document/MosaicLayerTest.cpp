#include "document/MosaicLayer.h"
#include "SampleScreenshot.h"
#include "document/ImageFilters.h"
#include "support/ReferenceImage.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

using test::render;

// Every pixel a different colour, so any resampling shows.
QImage ramp(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            img.setPixel(x, y, qRgb((x * 5) % 256, (y * 7) % 256, (x * y) % 256));
        }
    }
    return img;
}

MosaicLayer mosaic(QRectF rect, MosaicStyle style, double intensity) {
    MosaicLayer m;
    m.rect = rect;
    m.style = style;
    m.intensity = intensity;
    return m;
}

bool samePixels(const QImage& a, const QImage& b, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

TEST(MosaicLayerTest, RendersOnlyThePartInsideTheImageRoundedOutwards) {
    const auto m = mosaic(QRectF(-10.5, 5.2, 30, 10), MosaicStyle::solid, 10);
    EXPECT_EQ(m.imagePart(QSize(100, 80)), QRect(0, 5, 20, 11));
    EXPECT_EQ(mosaic(QRectF(90.5, 70.5, 30, 30), MosaicStyle::solid, 1).imagePart(QSize(100, 80)),
              QRect(90, 70, 10, 10));
    // Width and height given negative describe the same rectangle.
    EXPECT_EQ(mosaic(QRectF(40, 30, -20, -10), MosaicStyle::solid, 1).imagePart(QSize(100, 80)),
              QRect(20, 20, 20, 10));

    for (const QRectF& outside : {QRectF(-50, -50, 40, 40), QRectF(100, 10, 20, 20), QRectF(10, 10, 0, 20),
                                  QRectF(qQNaN(), 0, 10, 10)}) {
        for (MosaicStyle style : {MosaicStyle::pixelate, MosaicStyle::gaussian, MosaicStyle::solid}) {
            const auto empty = mosaic(outside, style, 8);
            EXPECT_TRUE(empty.imagePart(QSize(100, 80)).isEmpty());
            const QImage base = ramp(100, 80);
            EXPECT_EQ(render(empty, base), base);
        }
    }
}

TEST(MosaicLayerTest, PixelateAveragesCellsOfIntensitySizeInsideTheRect) {
    const QImage base = ramp(80, 60);
    const auto m = mosaic(QRectF(10, 10, 40, 30), MosaicStyle::pixelate, 10);
    const QImage out = render(m, base);
    // Cells start at the part's corner: (10..19, 10..19) is one flat cell.
    for (int y = 10; y < 20; ++y) {
        for (int x = 10; x < 20; ++x) {
            ASSERT_EQ(out.pixel(x, y), out.pixel(10, 10)) << x << "," << y;
        }
    }
    EXPECT_NE(out.pixel(19, 10), out.pixel(20, 10));
    // The cell is the average of what it covers: red runs 50..95 across it.
    EXPECT_NEAR(qRed(out.pixel(12, 12)), (50 + 95) / 2, 2);
    // Nothing changes outside the rectangle.
    const QImage copy = base;
    EXPECT_TRUE(samePixels(out, copy, QRect(0, 0, 80, 10)));
    EXPECT_TRUE(samePixels(out, copy, QRect(50, 0, 30, 60)));
    EXPECT_TRUE(samePixels(out, copy, QRect(0, 40, 80, 20)));
}

TEST(MosaicLayerTest, GaussianBlurReadsContextAroundThePart) {
    EXPECT_EQ(MosaicLayer::blurMargin(0.2), 3);
    EXPECT_EQ(MosaicLayer::blurMargin(4), 12);
    EXPECT_EQ(MosaicLayer::blurMargin(2.2), 7);

    // Black left half, white right half; the mosaic covers only the white half.
    QImage base(100, 40, QImage::Format_ARGB32_Premultiplied);
    base.fill(Qt::white);
    QPainter(&base).fillRect(0, 0, 50, 40, Qt::black);
    const auto m = mosaic(QRectF(50, 0, 50, 40), MosaicStyle::gaussian, 4);
    const QImage out = render(m, base);
    // Next to the edge the blur pulls in the black it sees outside the rectangle.
    EXPECT_LT(qRed(out.pixel(50, 20)), 200);
    EXPECT_LT(qRed(out.pixel(52, 20)), qRed(out.pixel(56, 20)));
    EXPECT_EQ(qRed(out.pixel(80, 20)), 255);
    // The left half is left alone.
    EXPECT_EQ(out.pixel(49, 20), qRgb(0, 0, 0));

    // The same blur on a lone copy of the right half (no context) stays white: the context is
    // what darkened the edge, not the filter's own border handling.
    QImage alone = base.copy(50, 0, 50, 40);
    const QImage aloneOut = render(mosaic(QRectF(0, 0, 50, 40), MosaicStyle::gaussian, 4), alone);
    EXPECT_EQ(qRed(aloneOut.pixel(0, 20)), 255);
}

TEST(MosaicLayerTest, WideBlursComputedSmallerMatchTheFullSizeBlur) {
    EXPECT_EQ(MosaicLayer::blurScaleFactor(1.5), 1);
    EXPECT_EQ(MosaicLayer::blurScaleFactor(4), 2);
    EXPECT_EQ(MosaicLayer::blurScaleFactor(12), 6);
    EXPECT_EQ(MosaicLayer::blurScaleFactor(100), 8);
    // Hard-edged blocks and a ramp: the worst case for a blur computed on fewer pixels.
    QImage pattern = ramp(480, 360);
    {
        QPainter p(&pattern);
        p.fillRect(160, 120, 60, 50, Qt::black);
        p.fillRect(250, 180, 70, 60, Qt::white);
        p.fillRect(220, 110, 8, 140, QColor(0, 200, 60));
    }
    for (double radius : {4.0, 9.0, 16.0, 30.0}) {
        SCOPED_TRACE(radius);
        QImage exact = pattern;
        ImageFilters::gaussianBlur(exact, radius);
        const QImage fast = MosaicLayer::blurred(pattern, radius);
        ASSERT_EQ(fast.size(), exact.size());
        int worst = 0;
        // Away from the image border, where both clamp in their own way.
        const int m = int(3 * radius);
        for (int y = m; y < 360 - m; ++y) {
            for (int x = m; x < 480 - m; ++x) {
                const QRgb a = fast.pixel(x, y);
                const QRgb b = exact.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
            }
        }
        EXPECT_LE(worst, 10);
    }
}

TEST(MosaicLayerTest, GaussianAtTheImageEdgeClampsItsContext) {
    const QImage base = ramp(60, 40);
    const auto m = mosaic(QRectF(-5, -5, 25, 25), MosaicStyle::gaussian, 6);
    const QImage out = render(m, base);
    EXPECT_NE(out.pixel(5, 5), base.pixel(5, 5));
    EXPECT_TRUE(samePixels(out, base, QRect(21, 0, 39, 40)));
}

TEST(MosaicLayerTest, SolidFillsTheShapeOnly) {
    const QImage base = ramp(80, 80);
    auto m = mosaic(QRectF(10, 10, 60, 60), MosaicStyle::solid, 14);
    m.solidColor = QColor(0x11, 0x22, 0x33);
    m.shape = MosaicShape::ellipse;
    QImage out = render(m, base);
    EXPECT_EQ(out.pixel(40, 40), qRgb(0x11, 0x22, 0x33));
    EXPECT_EQ(out.pixel(40, 12), qRgb(0x11, 0x22, 0x33));
    EXPECT_EQ(out.pixel(12, 12), base.pixel(12, 12)); // corner of the rect, outside the ellipse

    m.shape = MosaicShape::roundedRect;
    m.cornerRadius = 20;
    out = render(m, base);
    EXPECT_EQ(out.pixel(12, 12), base.pixel(12, 12));
    EXPECT_EQ(out.pixel(40, 11), qRgb(0x11, 0x22, 0x33));

    m.shape = MosaicShape::polygon;
    m.polygonPoints = {{10, 70}, {40, 10}, {70, 70}};
    out = render(m, base);
    EXPECT_EQ(out.pixel(40, 60), qRgb(0x11, 0x22, 0x33));
    EXPECT_EQ(out.pixel(15, 20), base.pixel(15, 20));
    EXPECT_EQ(out.pixel(65, 20), base.pixel(65, 20));

    // Fewer than 3 points: the default outline, whose first corner is at (0.1, 0.24) of the rect.
    m.polygonPoints = {{10, 10}, {70, 70}};
    out = render(m, base);
    EXPECT_EQ(out.pixel(40, 40), qRgb(0x11, 0x22, 0x33));
    EXPECT_EQ(out.pixel(12, 12), base.pixel(12, 12));
    EXPECT_EQ(out.pixel(68, 68), base.pixel(68, 68));
}

TEST(MosaicLayerTest, NeverCastsAShadowButKeepsItsOpacity) {
    QImage base(60, 60, QImage::Format_ARGB32_Premultiplied);
    base.fill(Qt::white);
    auto m = mosaic(QRectF(10, 10, 30, 30), MosaicStyle::solid, 14);
    m.shadow = ShadowStyle::hard;
    QImage out = render(m, base);
    EXPECT_EQ(out.pixel(42, 42), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(41, 25), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(39, 39), qRgb(0, 0, 0));

    m.opacity = 0.5;
    out = render(m, base);
    EXPECT_NEAR(qRed(out.pixel(25, 25)), 128, 2);
}

TEST(MosaicLayerTest, GeometryMovesWithThePolygon) {
    auto m = mosaic(QRectF(10, 10, 60, 40), MosaicStyle::pixelate, 8);
    m.shape = MosaicShape::ellipse;
    m.isLocked = true;
    EXPECT_EQ(m.bounds(), QRectF(10, 10, 60, 40));
    EXPECT_TRUE(m.hitTest({40, 30}));
    EXPECT_FALSE(m.hitTest({12, 12})); // inside the box, far from the ellipse
    EXPECT_TRUE(m.hitTest({40, 7}));   // within 4 of the ellipse's top
    EXPECT_FALSE(m.hitTest({40, 5}));

    m.shape = MosaicShape::polygon;
    m.polygonPoints = {{10, 50}, {40, 10}, {70, 50}};
    const auto moved = std::static_pointer_cast<MosaicLayer>(m.translated(5, 7));
    EXPECT_FALSE(moved->isLocked);
    EXPECT_EQ(moved->rect, QRectF(15, 17, 60, 40));
    EXPECT_EQ(moved->polygonPoints, (QList<QPointF>{{15, 57}, {45, 17}, {75, 57}}));
    EXPECT_EQ(moved->style, MosaicStyle::pixelate);
    EXPECT_EQ(moved->intensity, 8);
}

TEST(MosaicLayerTest, ReferenceStylesInEllipseAndPolygon) {
    const QImage base = test::sampleScreenshot(160, 120);
    QImage ellipses = base;
    {
        auto a = mosaic(QRectF(12, 22, 46, 40), MosaicStyle::pixelate, 6);
        a.shape = MosaicShape::ellipse;
        auto b = mosaic(QRectF(58, 28, 70, 28), MosaicStyle::gaussian, 4);
        b.shape = MosaicShape::ellipse;
        auto c = mosaic(QRectF(100, 84, 56, 28), MosaicStyle::solid, 14);
        c.shape = MosaicShape::ellipse;
        c.solidColor = QColor(0x1f, 0x23, 0x2b);
        for (const MosaicLayer* m : {&a, &b, &c}) {
            ellipses = render(*m, ellipses);
        }
    }
    EXPECT_TRUE(test::matchesReference(ellipses, QStringLiteral("mosaic_ellipse")));

    QImage polygons = base;
    {
        auto a = mosaic(QRectF(10, 20, 50, 50), MosaicStyle::pixelate, 7);
        a.shape = MosaicShape::polygon; // the default outline
        auto b = mosaic(QRectF(58, 26, 84, 44), MosaicStyle::gaussian, 3);
        b.shape = MosaicShape::polygon;
        b.polygonPoints = {{62, 28}, {138, 30}, {132, 62}, {66, 68}};
        auto c = mosaic(QRectF(98, 86, 56, 28), MosaicStyle::solid, 14);
        c.shape = MosaicShape::polygon;
        c.polygonPoints = {{100, 90}, {152, 87}, {150, 110}, {104, 112}};
        c.solidColor = QColor(0x1f, 0x23, 0x2b);
        for (const MosaicLayer* m : {&a, &b, &c}) {
            polygons = render(*m, polygons);
        }
    }
    EXPECT_TRUE(test::matchesReference(polygons, QStringLiteral("mosaic_polygon")));
}
