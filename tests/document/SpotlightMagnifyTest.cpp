#include "SampleScreenshot.h"
#include "document/MagnifyLayer.h"
#include "document/SpotlightLayer.h"
#include "support/ReferenceImage.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

using test::render;

// Red tells x, green tells y: a magnified pixel shows where it came from.
QImage coordinates(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            img.setPixel(x, y, qRgb(x % 256, y % 256, 128));
        }
    }
    return img;
}

QImage flat(int w, int h, QColor c) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(c);
    return img;
}

SpotlightLayer spotlight(QRectF rect, double dim) {
    SpotlightLayer s;
    s.rect = rect;
    s.dimAlpha = dim;
    return s;
}

MagnifyLayer magnifier(QPointF center, double size, double zoom) {
    MagnifyLayer m;
    m.center = center;
    m.size = QSizeF(size, size);
    m.zoomLevel = zoom;
    return m;
}

} // namespace

TEST(SpotlightLayerTest, DimsOutsideTheShapeOnly) {
    const QImage base = flat(100, 80, QColor(200, 100, 40));
    auto s = spotlight(QRectF(20, 20, 40, 30), 0.5);
    QImage out = render(s, base);
    EXPECT_EQ(out.pixel(40, 35), base.pixel(40, 35));
    EXPECT_NEAR(qRed(out.pixel(5, 5)), 100, 2);
    EXPECT_NEAR(qGreen(out.pixel(90, 70)), 50, 2);
    EXPECT_NEAR(qRed(out.pixel(61, 35)), 100, 2);

    s.dimColor = QColor(0, 0, 255, 20); // its own alpha is replaced by dimAlpha
    out = render(s, base);
    EXPECT_NEAR(qRed(out.pixel(5, 5)), 100, 2);
    EXPECT_NEAR(qBlue(out.pixel(5, 5)), 147, 2);

    s.dimColor.reset();
    s.shape = MosaicShape::ellipse;
    out = render(s, base);
    EXPECT_NEAR(qRed(out.pixel(21, 21)), 100, 2); // rect corner, outside the ellipse
    EXPECT_EQ(out.pixel(40, 35), base.pixel(40, 35));

    // Out-of-range alphas are limited.
    s.dimAlpha = 3;
    EXPECT_EQ(render(s, base).pixel(2, 2), qRgb(0, 0, 0));
    s.dimAlpha = -1;
    EXPECT_EQ(render(s, base), base);
}

TEST(SpotlightLayerTest, DimZeroLeavesTheImageUnchangedApartFromTheBorder) {
    const QImage base = coordinates(120, 90);
    auto s = spotlight(QRectF(30, 20, 50, 40), 0);
    s.borderWidth = 4;
    s.borderColor = QColor(255, 255, 0);
    const QImage out = render(s, base);
    int changed = 0;
    for (int y = 0; y < base.height(); ++y) {
        for (int x = 0; x < base.width(); ++x) {
            if (out.pixel(x, y) == base.pixel(x, y)) {
                continue;
            }
            ++changed;
            // Only within half the border width (and a pixel of antialiasing) of the outline.
            const bool nearVertical =
                (std::abs(x + 0.5 - 30) <= 3 || std::abs(x + 0.5 - 80) <= 3) && y >= 17 && y <= 62;
            const bool nearHorizontal =
                (std::abs(y + 0.5 - 20) <= 3 || std::abs(y + 0.5 - 60) <= 3) && x >= 27 && x <= 82;
            ASSERT_TRUE(nearVertical || nearHorizontal) << x << "," << y;
        }
    }
    EXPECT_GT(changed, 300);
    EXPECT_EQ(out.pixel(30, 40), qRgb(255, 255, 0));

    // Without a border nothing changes at all.
    s.borderWidth = 0;
    EXPECT_EQ(render(s, base), base);
}

TEST(SpotlightLayerTest, BorderStyleShadowAndGeometry) {
    const QImage base = flat(100, 80, Qt::white);
    auto s = spotlight(QRectF(20, 20, 60, 40), 0);
    s.borderWidth = 2;
    s.borderColor = Qt::black;
    s.borderStyle = ArrowLineStyle::dashed;
    const QImage dashed = render(s, base);
    int dark = 0;
    for (int x = 20; x < 80; ++x) {
        dark += qGray(dashed.pixel(x, 20)) < 128;
    }
    // 8 on, 5 off along 60 units: roughly 8/13 of the edge.
    EXPECT_GT(dark, 28);
    EXPECT_LT(dark, 46);

    s.borderStyle = ArrowLineStyle::solid;
    s.shadow = ShadowStyle::soft;
    s.dimAlpha = 0.4;
    const QImage out = render(s, base);
    // No shadow falls into the lit area.
    EXPECT_EQ(out.pixel(30, 23), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(50, 40), qRgb(255, 255, 255));

    EXPECT_EQ(s.bounds(), QRectF(19, 19, 62, 42));
    EXPECT_TRUE(s.hitTest({50, 40}));
    EXPECT_TRUE(s.hitTest({50, 16.5}));
    EXPECT_FALSE(s.hitTest({50, 15}));
    s.isLocked = true;
    const auto moved = std::static_pointer_cast<SpotlightLayer>(s.translated(-5, 10));
    EXPECT_EQ(moved->rect, QRectF(15, 30, 60, 40));
    EXPECT_FALSE(moved->isLocked);
    EXPECT_EQ(moved->dimAlpha, 0.4);
    EXPECT_EQ(moved->shadow, ShadowStyle::soft);
}

TEST(MagnifyLayerTest, ZoomTwoOfSize200ShowsA100Area) {
    const auto m = magnifier({150, 150}, 200, 2);
    EXPECT_EQ(m.lensRect(), QRectF(50, 50, 200, 200));
    EXPECT_EQ(m.sourceRect(), QRectF(100, 100, 100, 100));

    auto shifted = m;
    shifted.sourceOffset = QSizeF(30, -20);
    shifted.size = QSizeF(120, 80);
    shifted.zoomLevel = 4;
    EXPECT_EQ(shifted.sourceRect(), QRectF(165, 120, 30, 20));

    const QImage base = coordinates(300, 300);
    auto lens = m;
    lens.borderWidth = 0;
    const QImage out = render(lens, base);
    // A lens pixel 2k from the centre shows the image pixel k from it.
    for (const QPoint& d : {QPoint(40, 20), QPoint(-60, 10), QPoint(0, -80), QPoint(30, 50)}) {
        const QRgb px = out.pixel(150 + d.x(), 150 + d.y());
        EXPECT_NEAR(qRed(px), 150 + d.x() / 2, 1) << d.x() << "," << d.y();
        EXPECT_NEAR(qGreen(px), 150 + d.y() / 2, 1) << d.x() << "," << d.y();
    }
    // The circle leaves the corners of its square alone.
    EXPECT_EQ(out.pixel(55, 55), base.pixel(55, 55));
    EXPECT_EQ(out.pixel(10, 150), base.pixel(10, 150));
}

TEST(MagnifyLayerTest, SourceOffsetAndShapes) {
    const QImage base = coordinates(300, 300);
    auto m = magnifier({100, 100}, 80, 2);
    m.sourceOffset = QSizeF(60, 40);
    m.shape = MagnifyShape::rect;
    m.borderWidth = 0;
    const QImage out = render(m, base);
    // The lens centre shows centre + offset; the rect reaches its corners.
    EXPECT_NEAR(qRed(out.pixel(100, 100)), 160, 1);
    EXPECT_NEAR(qGreen(out.pixel(100, 100)), 140, 1);
    EXPECT_NEAR(qRed(out.pixel(62, 62)), 160 - 19, 1);
    EXPECT_NEAR(qGreen(out.pixel(62, 62)), 140 - 19, 1);

    m.shape = MagnifyShape::roundedRect;
    m.cornerRadius = 20;
    const QImage rounded = render(m, base);
    EXPECT_EQ(rounded.pixel(61, 61), base.pixel(61, 61));
    EXPECT_NEAR(qRed(rounded.pixel(100, 62)), 160, 1);
}

TEST(MagnifyLayerTest, SourceLeavingTheImageIsNotStretched) {
    const QImage base = coordinates(200, 200);
    auto m = magnifier({20, 100}, 80, 2); // source spans x 0..40 but the lens starts at -20
    m.sourceOffset = QSizeF(-20, 0);      // source centre x 0: its left half is outside
    m.shape = MagnifyShape::rect;
    m.borderWidth = 0;
    const QImage out = render(m, base);
    // The right half of the lens still maps 2:1 onto the image.
    EXPECT_NEAR(qRed(out.pixel(40, 100)), 10, 1);
    EXPECT_NEAR(qRed(out.pixel(50, 100)), 15, 1);
    // The left half shows no image content (left of x 20 the source is outside).
    EXPECT_EQ(qBlue(out.pixel(10, 100)), qBlue(out.pixel(5, 110)));
    EXPECT_NE(qBlue(out.pixel(10, 100)), 128);
}

TEST(MagnifyLayerTest, ZoomIsKeptSaneAndBorderDrawn) {
    auto m = magnifier({50, 50}, 60, 0);
    EXPECT_EQ(m.effectiveZoom(), 1);
    m.zoomLevel = -3;
    EXPECT_EQ(m.effectiveZoom(), 1);
    m.zoomLevel = qQNaN();
    EXPECT_EQ(m.effectiveZoom(), 1);
    EXPECT_EQ(m.sourceRect(), m.lensRect());
    m.zoomLevel = 1e9;
    EXPECT_EQ(m.effectiveZoom(), MagnifyLayer::kMaxZoom);
    m.zoomLevel = 1e-9;
    EXPECT_EQ(m.effectiveZoom(), MagnifyLayer::kMinZoom);
    EXPECT_FALSE(render(m, coordinates(100, 100)).isNull());

    auto b = magnifier({50, 50}, 60, 2);
    EXPECT_EQ(b.borderWidth, 3);
    b.borderColor = QColor(0, 255, 0);
    const QImage out = render(b, flat(100, 100, Qt::black));
    EXPECT_GT(qGreen(out.pixel(50, 20)), 240); // on the circle's top edge
    EXPECT_LT(qRed(out.pixel(50, 20)), 15);
    EXPECT_EQ(out.pixel(50, 16), qRgb(0, 0, 0));
    EXPECT_EQ(b.bounds(), QRectF(18.5, 18.5, 63, 63));
    EXPECT_TRUE(b.hitTest({50, 50}));
    EXPECT_FALSE(b.hitTest({22, 22})); // square corner, outside the circle
    b.isLocked = true;
    const auto moved = std::static_pointer_cast<MagnifyLayer>(b.translated(10, 0));
    EXPECT_EQ(moved->center, QPointF(60, 50));
    EXPECT_EQ(moved->sourceRect(), b.sourceRect().translated(10, 0));
    EXPECT_FALSE(moved->isLocked);
}

TEST(MagnifyLayerTest, ShadowAndOpacityApply) {
    auto m = magnifier({50, 50}, 40, 2);
    m.shape = MagnifyShape::rect;
    m.borderWidth = 0;
    m.shadow = ShadowStyle::hard;
    const QImage out = render(m, flat(100, 100, Qt::white));
    // Hard shadow: 2 right, 3 down.
    EXPECT_LT(qGray(out.pixel(50, 71)), 200);
    EXPECT_EQ(out.pixel(50, 27), qRgb(255, 255, 255));

    m.shadow = ShadowStyle::none;
    m.opacity = 0.5;
    QImage base = flat(100, 100, Qt::white);
    QPainter(&base).fillRect(40, 40, 20, 20, Qt::black);
    const QImage half = render(m, base);
    // The lens shows black (source 40..60 is all black) over the white around it at half strength.
    EXPECT_NEAR(qGray(half.pixel(33, 50)), 128, 3);
}

TEST(SpotlightMagnifyTest, References) {
    const QImage base = test::sampleScreenshot(160, 120);
    auto s = spotlight(QRectF(24, 26, 100, 30), 0.55);
    s.shape = MosaicShape::roundedRect;
    s.cornerRadius = 8;
    s.borderWidth = 2;
    s.borderColor = QColor(0xfe, 0xbc, 0x2e);
    EXPECT_TRUE(test::matchesReference(render(s, base), QStringLiteral("spotlight_rounded")));

    auto m = magnifier({112, 56}, 64, 2.5);
    m.sourceOffset = QSizeF(-86, -22); // the avatar
    m.shadow = ShadowStyle::soft;
    EXPECT_TRUE(test::matchesReference(render(m, base), QStringLiteral("magnifier_circle")));
}
