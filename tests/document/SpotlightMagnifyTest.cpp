#include "document/MagnifyLayer.h"
#include "document/SpotlightLayer.h"
#include "support/Drawing.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace mebo;
using test::canvas;
using test::render;

namespace {

// Red tells x, green tells y: a magnified pixel shows where it came from.
QImage coordinates(int w, int h) {
    QImage img = canvas(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            img.setPixel(x, y, qRgb(x % 256, y % 256, 128));
        }
    }
    return img;
}

SpotlightLayer spotlight(QRectF rect, double dim) {
    SpotlightLayer s;
    s.rect = rect;
    s.dimAlpha = dim;
    return s;
}

MagnifyLayer magnifier(QPointF center, double size, double zoom, MagnifyShape shape = MagnifyShape::circle) {
    MagnifyLayer m;
    m.center = center;
    m.size = QSizeF(size, size);
    m.zoomLevel = zoom;
    m.shape = shape;
    m.borderWidth = 0;
    return m;
}

} // namespace

TEST(SpotlightLayerTest, DimsOutsideTheShapeOnly) {
    const QImage base = canvas(100, 80, QColor(200, 100, 40));
    auto s = spotlight(QRectF(20, 20, 40, 30), 0.5);
    QImage out = render(s, base);
    EXPECT_EQ(out.pixel(40, 35), base.pixel(40, 35));
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
    s.dimAlpha = 3; // limited to 0..1
    EXPECT_EQ(render(s, base).pixel(2, 2), qRgb(0, 0, 0));
    s.dimAlpha = -1;
    EXPECT_EQ(render(s, base), base);
}

TEST(SpotlightLayerTest, BorderIsTheOnlyChangeAtDimZero) {
    const QImage base = coordinates(120, 90);
    auto s = spotlight(QRectF(30, 20, 50, 40), 0);
    s.borderWidth = 4;
    s.borderColor = QColor(255, 255, 0);
    const QImage out = render(s, base);
    int changed = 0;
    for (int y = 0; y < base.height(); ++y) {
        for (int x = 0; x < base.width(); ++x) {
            if (out.pixel(x, y) != base.pixel(x, y)) {
                ++changed; // only within half the border width (and a pixel) of the outline
                const bool nearVertical =
                    (std::abs(x + 0.5 - 30) <= 3 || std::abs(x + 0.5 - 80) <= 3) && y >= 17 && y <= 62;
                const bool nearHorizontal =
                    (std::abs(y + 0.5 - 20) <= 3 || std::abs(y + 0.5 - 60) <= 3) && x >= 27 && x <= 82;
                ASSERT_TRUE(nearVertical || nearHorizontal) << x << "," << y;
            }
        }
    }
    EXPECT_GT(changed, 300);
    EXPECT_EQ(out.pixel(30, 40), qRgb(255, 255, 0));
    s.borderWidth = 0;
    EXPECT_EQ(render(s, base), base);

    // No shadow falls into the lit area; hit within the border and 4 more.
    auto d = spotlight(QRectF(20, 20, 60, 40), 0);
    d.borderWidth = 2;
    d.borderColor = Qt::black;
    d.shadow = ShadowStyle::soft;
    d.dimAlpha = 0.4;
    const QImage lit = render(d, canvas(100, 80, Qt::white));
    EXPECT_EQ(lit.pixel(30, 23), qRgb(255, 255, 255));
    EXPECT_EQ(lit.pixel(50, 40), qRgb(255, 255, 255));
    EXPECT_EQ(d.bounds(), QRectF(19, 19, 62, 42));
    EXPECT_TRUE(d.hitTest({50, 40}));
    EXPECT_TRUE(d.hitTest({50, 16.5}));
    EXPECT_FALSE(d.hitTest({50, 15}));
}

TEST(MagnifyLayerTest, ZoomShowsASmallerSourceAroundTheOffsetCentre) {
    const auto m = magnifier({150, 150}, 200, 2);
    auto shifted = m;
    shifted.sourceOffset = QSizeF(30, -20);
    shifted.size = QSizeF(120, 80);
    shifted.zoomLevel = 4;
    EXPECT_EQ(shifted.sourceRect(), QRectF(165, 120, 30, 20));

    const QImage base = coordinates(300, 300);
    QImage out = render(m, base);
    // A lens pixel 2k from the centre shows the image pixel k from it; the circle leaves the
    // corners of its square alone.
    for (const QPoint& d : {QPoint(40, 20), QPoint(-60, 10), QPoint(0, -80), QPoint(30, 50)}) {
        const QRgb px = out.pixel(150 + d.x(), 150 + d.y());
        EXPECT_NEAR(qRed(px), 150 + d.x() / 2, 1) << d.x() << "," << d.y();
        EXPECT_NEAR(qGreen(px), 150 + d.y() / 2, 1) << d.x() << "," << d.y();
    }
    EXPECT_EQ(out.pixel(55, 55), base.pixel(55, 55));
    EXPECT_EQ(out.pixel(10, 150), base.pixel(10, 150));

    auto offset = magnifier({100, 100}, 80, 2, MagnifyShape::rect);
    offset.sourceOffset = QSizeF(60, 40);
    out = render(offset, base);
    EXPECT_NEAR(qRed(out.pixel(100, 100)), 160, 1); // the centre shows centre + offset
    EXPECT_NEAR(qGreen(out.pixel(100, 100)), 140, 1);
    EXPECT_NEAR(qRed(out.pixel(62, 62)), 141, 1); // the rectangle reaches its corners
    EXPECT_NEAR(qGreen(out.pixel(62, 62)), 121, 1);
    // A source leaving the image is not stretched: the right half still maps 2:1.
    auto edge = magnifier({20, 100}, 80, 2, MagnifyShape::rect);
    edge.sourceOffset = QSizeF(-20, 0); // source centre x 0: its left half is outside
    out = render(edge, coordinates(200, 200));
    EXPECT_NEAR(qRed(out.pixel(40, 100)), 10, 1);
    EXPECT_NEAR(qRed(out.pixel(50, 100)), 15, 1);
    EXPECT_EQ(qBlue(out.pixel(10, 100)), qBlue(out.pixel(5, 110)));
    EXPECT_NE(qBlue(out.pixel(10, 100)), 128);
}

TEST(MagnifyLayerTest, ZoomIsKeptSaneAndTheBorderDrawn) {
    auto m = magnifier({50, 50}, 60, 0);
    for (double zoom : {0.0, -3.0, qQNaN()}) {
        m.zoomLevel = zoom;
        EXPECT_EQ(m.effectiveZoom(), 1);
    }
    m.zoomLevel = 1e9;
    EXPECT_EQ(m.effectiveZoom(), MagnifyLayer::kMaxZoom);
    m.zoomLevel = 1e-9;
    EXPECT_EQ(m.effectiveZoom(), MagnifyLayer::kMinZoom);

    MagnifyLayer b = magnifier({50, 50}, 60, 2);
    b.borderWidth = MagnifyLayer().borderWidth; // 3
    b.borderColor = QColor(0, 255, 0);
    const QImage out = render(b, canvas(100, 100, Qt::black));
    EXPECT_GT(qGreen(out.pixel(50, 20)), 240); // on the circle's top edge
    EXPECT_LT(qRed(out.pixel(50, 20)), 15);
    EXPECT_EQ(out.pixel(50, 16), qRgb(0, 0, 0));
    EXPECT_EQ(b.bounds(), QRectF(18.5, 18.5, 63, 63));
    EXPECT_TRUE(b.hitTest({50, 50}));
    EXPECT_FALSE(b.hitTest({22, 22})); // square corner, outside the circle

    // Over the white around it at half strength: the lens shows black (its source is all black).
    auto half = magnifier({50, 50}, 40, 2, MagnifyShape::rect);
    half.opacity = 0.5;
    QImage base = canvas(100, 100, Qt::white);
    QPainter(&base).fillRect(40, 40, 20, 20, Qt::black);
    EXPECT_NEAR(qGray(render(half, base).pixel(33, 50)), 128, 3);
}
