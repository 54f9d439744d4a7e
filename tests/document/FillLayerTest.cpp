#include "document/FillLayer.h"
#include "document/DocumentFlattener.h"
#include "document/RegionFillLayer.h"
#include "support/Drawing.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace mebo;
using test::canvas;
using test::render;

namespace {

const QRgb white = qRgb(255, 255, 255);

// A thick red stroke, standing in for any layer drawn below a fill.
class StrokeDouble final : public DrawingLayer {
public:
    StrokeDouble() : DrawingLayer(ToolKind::arrow) {}
    void draw(QPainter& p, const QImage&) const override {
        p.setPen(QPen(QColor(0xe0, 0x43, 0x3a), 8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 40), QPointF(110, 40));
    }
    QRectF bounds() const override { return QRectF(6, 36, 108, 8); }
    const char* className() const override { return "StrokeDouble"; }
};

// A greyscale mask that is 255 inside the given circle.
QImage discMask(int w, int h, QPointF c, double r) {
    QImage mask(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            mask.scanLine(y)[x] = std::hypot(x + 0.5 - c.x(), y + 0.5 - c.y()) <= r ? 255 : 0;
        }
    }
    return mask;
}

} // namespace

TEST(FillLayerTest, ColourOrGradientAtItsAlphaOverTheWholeImageOnly) {
    FillLayer f;
    f.color = QColor(255, 0, 0);
    f.alpha = 0.5;
    f.opacity = 0; // ignored, like the shadow
    f.shadow = ShadowStyle::hard;
    QImage out = render(f, canvas(40, 30, Qt::white));
    for (const QPoint& p : {QPoint(0, 0), QPoint(39, 29), QPoint(20, 15)}) {
        EXPECT_EQ(qRed(out.pixel(p)), 255);
        EXPECT_NEAR(qGreen(out.pixel(p)), 128, 1);
    }
    // The image rectangle bounds it even when the painter could reach further.
    QImage wide = canvas(60, 30, Qt::white);
    QPainter p(&wide);
    f.draw(p, canvas(40, 30, Qt::white));
    p.end();
    EXPECT_EQ(wide.pixel(50, 10), white);
    EXPECT_NEAR(qGreen(wide.pixel(30, 10)), 128, 1);

    f.setAlpha(0);
    EXPECT_EQ(f.alpha, 0.05);
    f.setAlpha(7);
    EXPECT_EQ(f.alpha, 1);
    f.alpha = 0; // set directly: drawing still applies the floor
    f.color = Qt::black;
    EXPECT_NEAR(qRed(render(f, canvas(10, 10, Qt::white)).pixel(5, 5)), 242, 1);

    // How a gradient runs is shown by the fill_gradient scene.
    EXPECT_FALSE(f.hitTest({5, 5}));
}

TEST(RegionFillLayerTest, PaintsTheColourThroughTheMaskOnly) {
    RegionFillLayer r;
    r.color = QColor(0, 128, 255);
    r.alpha = 1;
    r.mask = QImage(3, 3, QImage::Format_Grayscale8);
    r.mask.fill(0);
    for (int y = 0; y < 3; ++y) {
        r.mask.scanLine(y)[1] = 255;
    }
    r.maskRect = QRectF(10, 10, 3, 3);
    r.opacity = 0.1; // ignored
    const QImage out = render(r, canvas(20, 20, Qt::white));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool inside = x == 11 && y >= 10 && y <= 12;
            ASSERT_EQ(out.pixel(x, y), inside ? qRgb(0, 128, 255) : white) << x << "," << y;
        }
    }
    r.alpha = 0.5;
    EXPECT_NEAR(qRed(render(r, canvas(20, 20, Qt::white)).pixel(11, 11)), 128, 1);
    // A mask decoded into another format is read by its grey level.
    r.mask = r.mask.convertToFormat(QImage::Format_RGB32);
    r.alpha = 1;
    EXPECT_EQ(render(r, canvas(20, 20, Qt::white)).pixel(11, 11), qRgb(0, 128, 255));
    EXPECT_EQ(render(r, canvas(20, 20, Qt::white)).pixel(10, 11), white);
    RegionFillLayer empty;
    EXPECT_EQ(render(empty, canvas(10, 10, Qt::white)), canvas(10, 10, Qt::white));
    EXPECT_FALSE(empty.hitTest({0, 0}));
}

TEST(RegionFillLayerTest, TransparentFillErasesWhatWasDrawnBeforeIt) {
    const QImage base = canvas(120, 80, QColor(0xf4, 0xf6, 0xfa));
    auto stroke = std::make_shared<StrokeDouble>();
    auto erase = std::make_shared<RegionFillLayer>();
    erase->transparent = true;
    erase->mask = discMask(30, 30, {15, 15}, 14);
    erase->maskRect = QRectF(45, 25, 30, 30);
    const QImage kept = DocumentFlattener::flatten(base, {stroke}, QRectF(0, 0, 120, 80));
    const QImage cut = DocumentFlattener::flatten(base, {stroke, erase}, QRectF(0, 0, 120, 80));
    EXPECT_EQ(qRed(kept.pixel(60, 40)), 0xe0);
    // Inside the mask everything below is gone, the stroke and the image under it; outside, both
    // are untouched, the rest of the stroke inside the mask's rectangle too.
    EXPECT_EQ(qAlpha(cut.pixel(60, 40)), 0);
    EXPECT_EQ(qAlpha(cut.pixel(60, 30)), 0);
    for (const QPoint& p :
         {QPoint(20, 40), QPoint(45, 40), QPoint(74, 40), QPoint(46, 27), QPoint(100, 40)}) {
        EXPECT_EQ(cut.pixel(p), kept.pixel(p)) << p.x() << "," << p.y();
    }
    // Drawn after the fill instead, the stroke stays whole.
    const QImage over = DocumentFlattener::flatten(base, {erase, stroke}, QRectF(0, 0, 120, 80));
    EXPECT_EQ(qRed(over.pixel(60, 40)), 0xe0);
    EXPECT_EQ(qAlpha(over.pixel(60, 30)), 0);
}

TEST(RegionFillLayerTest, HitTestFollowsTheMask) {
    RegionFillLayer r;
    r.mask = discMask(40, 40, {20, 20}, 6);
    r.maskRect = QRectF(100, 50, 40, 40);
    EXPECT_EQ(r.bounds(), QRectF(100, 50, 40, 40));
    EXPECT_TRUE(r.hitTest({120, 70}));
    EXPECT_TRUE(r.hitTest({129, 70}));  // 3 past the disc's edge
    EXPECT_FALSE(r.hitTest({102, 52})); // inside maskRect, far from any filled pixel
    EXPECT_FALSE(r.hitTest({90, 70}));
}
