#include "document/MosaicLayer.h"
#include "document/ImageFilters.h"
#include "support/Drawing.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace mebo;
using test::render;

namespace {

// Every pixel a different colour, so any resampling shows.
QImage ramp(int w, int h) {
    QImage img = test::canvas(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            img.setPixel(x, y, qRgb((x * 5) % 256, (y * 7) % 256, (x * y) % 256));
        }
    }
    return img;
}

MosaicLayer mosaic(QRectF rect, MosaicStyle style, double intensity, MosaicShape shape = MosaicShape::rect) {
    MosaicLayer m;
    m.rect = rect;
    m.style = style;
    m.intensity = intensity;
    m.shape = shape;
    return m;
}

bool samePixels(const QImage& a, const QImage& b, const QRect& area) {
    return a.copy(area) == b.copy(area);
}

} // namespace

TEST(MosaicLayerTest, RendersOnlyThePartInsideTheImageRoundedOutwards) {
    EXPECT_EQ(mosaic(QRectF(-10.5, 5.2, 30, 10), MosaicStyle::solid, 10).imagePart(QSize(100, 80)),
              QRect(0, 5, 20, 11));
    EXPECT_EQ(mosaic(QRectF(90.5, 70.5, 30, 30), MosaicStyle::solid, 1).imagePart(QSize(100, 80)),
              QRect(90, 70, 10, 10));
    EXPECT_EQ(mosaic(QRectF(40, 30, -20, -10), MosaicStyle::solid, 1).imagePart(QSize(100, 80)),
              QRect(20, 20, 20, 10));
    const QImage base = ramp(100, 80);
    for (const QRectF& outside : {QRectF(-50, -50, 40, 40), QRectF(100, 10, 20, 20), QRectF(10, 10, 0, 20),
                                  QRectF(qQNaN(), 0, 10, 10)}) {
        for (MosaicStyle style : {MosaicStyle::pixelate, MosaicStyle::gaussian, MosaicStyle::solid}) {
            const auto empty = mosaic(outside, style, 8);
            EXPECT_TRUE(empty.imagePart(QSize(100, 80)).isEmpty());
            EXPECT_EQ(render(empty, base), base);
        }
    }
}

TEST(MosaicLayerTest, PixelateAveragesCellsOfIntensitySizeInsideTheRect) {
    const QImage base = ramp(80, 60);
    const QImage out = render(mosaic(QRectF(10, 10, 40, 30), MosaicStyle::pixelate, 10), base);
    // Cells start at the part's corner: (10..19, 10..19) is one flat cell, the average of what it
    // covers (red runs 50..95 across it).
    for (int y = 10; y < 20; ++y) {
        for (int x = 10; x < 20; ++x) {
            ASSERT_EQ(out.pixel(x, y), out.pixel(10, 10)) << x << "," << y;
        }
    }
    EXPECT_NE(out.pixel(19, 10), out.pixel(20, 10));
    EXPECT_NEAR(qRed(out.pixel(12, 12)), (50 + 95) / 2, 2);
    EXPECT_TRUE(samePixels(out, base, QRect(0, 0, 80, 10)));
    EXPECT_TRUE(samePixels(out, base, QRect(50, 0, 30, 60)));
    EXPECT_TRUE(samePixels(out, base, QRect(0, 40, 80, 20)));
}

TEST(MosaicLayerTest, GaussianBlurReadsContextAroundThePartClampedToTheImage) {
    // Black left half, white right half; the mosaic covers only the white half.
    QImage base = test::canvas(100, 40, Qt::white);
    QPainter(&base).fillRect(0, 0, 50, 40, Qt::black);
    const QImage out = render(mosaic(QRectF(50, 0, 50, 40), MosaicStyle::gaussian, 4), base);
    EXPECT_LT(qRed(out.pixel(50, 20)), 200); // the blur pulls in the black outside the rectangle
    EXPECT_LT(qRed(out.pixel(52, 20)), qRed(out.pixel(56, 20)));
    EXPECT_EQ(qRed(out.pixel(80, 20)), 255);
    EXPECT_EQ(out.pixel(49, 20), qRgb(0, 0, 0));
    // Without that context the edge stays white: the context darkened it, not the filter's border.
    const QImage alone =
        render(mosaic(QRectF(0, 0, 50, 40), MosaicStyle::gaussian, 4), base.copy(50, 0, 50, 40));
    EXPECT_EQ(qRed(alone.pixel(0, 20)), 255);
    // At the image edge the context is clamped.
    const QImage r = ramp(60, 40);
    const QImage corner = render(mosaic(QRectF(-5, -5, 25, 25), MosaicStyle::gaussian, 6), r);
    EXPECT_NE(corner.pixel(5, 5), r.pixel(5, 5));
    EXPECT_TRUE(samePixels(corner, r, QRect(21, 0, 39, 40)));
}

TEST(MosaicLayerTest, WideBlursComputedSmallerMatchTheFullSizeBlur) {
    QImage pattern = ramp(480, 360); // hard-edged blocks and a ramp: the worst case
    {
        QPainter p(&pattern);
        p.fillRect(160, 120, 60, 50, Qt::black);
        p.fillRect(250, 180, 70, 60, Qt::white);
        p.fillRect(220, 110, 8, 140, QColor(0, 200, 60));
    }
    for (double radius : {4.0, 9.0, 16.0, 30.0}) {
        QImage exact = pattern;
        ImageFilters::gaussianBlur(exact, radius);
        const QImage fast = MosaicLayer::blurred(pattern, radius);
        ASSERT_EQ(fast.size(), exact.size());
        const int m = int(3 * radius); // away from the border, where both clamp in their own way
        const QRect inner(m, m, 480 - 2 * m, 360 - 2 * m);
        EXPECT_LE(test::maxDifference(fast.copy(inner), exact.copy(inner)), 10) << radius;
    }
}

TEST(MosaicLayerTest, SolidFillsTheShapeOnlyAndCastsNoShadow) {
    const QImage base = ramp(80, 80);
    const QRgb solid = qRgb(0x11, 0x22, 0x33);
    auto m = mosaic(QRectF(10, 10, 60, 60), MosaicStyle::solid, 14, MosaicShape::ellipse);
    m.solidColor = QColor(solid);
    const auto expectAt = [&](const QList<QPoint>& covered, const QList<QPoint>& kept) {
        const QImage out = render(m, base);
        for (const QPoint& p : covered) {
            EXPECT_EQ(out.pixel(p), solid) << rawValue(m.shape).toStdString() << " " << p.x() << "," << p.y();
        }
        for (const QPoint& p : kept) {
            EXPECT_EQ(out.pixel(p), base.pixel(p))
                << rawValue(m.shape).toStdString() << " " << p.x() << "," << p.y();
        }
    };
    expectAt({{40, 40}, {40, 12}}, {{12, 12}});
    m.shape = MosaicShape::roundedRect;
    m.cornerRadius = 20;
    expectAt({{40, 11}}, {{12, 12}});
    m.shape = MosaicShape::polygon;
    m.polygonPoints = {{10, 70}, {40, 10}, {70, 70}};
    expectAt({{40, 60}}, {{15, 20}, {65, 20}});
    // Fewer than 3 points: the default outline, whose first corner is at (0.1, 0.24) of the rect.
    m.polygonPoints = {{10, 10}, {70, 70}};
    expectAt({{40, 40}}, {{12, 12}, {68, 68}});

    auto shadowed = mosaic(QRectF(10, 10, 30, 30), MosaicStyle::solid, 14);
    shadowed.shadow = ShadowStyle::hard;
    QImage out = render(shadowed, test::canvas(60, 60, Qt::white));
    EXPECT_EQ(out.pixel(42, 42), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(41, 25), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(39, 39), qRgb(0, 0, 0));
    shadowed.opacity = 0.5;
    EXPECT_NEAR(qRed(render(shadowed, test::canvas(60, 60, Qt::white)).pixel(25, 25)), 128, 2);

    auto hit = mosaic(QRectF(10, 10, 60, 40), MosaicStyle::pixelate, 8, MosaicShape::ellipse);
    EXPECT_TRUE(hit.hitTest({40, 30}));
    EXPECT_FALSE(hit.hitTest({12, 12})); // inside the box, far from the ellipse
    EXPECT_TRUE(hit.hitTest({40, 7}));   // within 4 of the ellipse's top
    EXPECT_FALSE(hit.hitTest({40, 5}));
}
