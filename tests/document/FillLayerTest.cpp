#include "document/FillLayer.h"
#include "SampleScreenshot.h"
#include "document/DocumentFlattener.h"
#include "document/PasteImageLayer.h"
#include "document/RegionFillLayer.h"
#include "document/SimplifyLayer.h"
#include "support/ReferenceImage.h"

#include <QPainter>
#include <QPainterPath>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

using test::render;

QImage flat(int w, int h, QColor c) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(c);
    return img;
}

// A thick stroke with a head, standing in for an arrow drawn below a fill.
class StrokeDouble final : public DrawingLayer {
public:
    StrokeDouble() : DrawingLayer(ToolKind::arrow) {}
    QPointF from, to;
    void draw(QPainter& p, const QImage&) const override {
        p.setPen(QPen(QColor(0xe0, 0x43, 0x3a), 8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(from, to);
    }
    QRectF bounds() const override { return QRectF(from, to).normalized().adjusted(-4, -4, 4, 4); }
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

TEST(FillLayerTest, ColourAtItsAlphaOverTheWholeImageIgnoringOpacityAndShadow) {
    FillLayer f;
    f.color = QColor(255, 0, 0);
    f.alpha = 0.5;
    f.opacity = 0; // ignored
    f.shadow = ShadowStyle::hard;
    const QImage out = render(f, flat(40, 30, Qt::white));
    for (const QPoint& p : {QPoint(0, 0), QPoint(39, 29), QPoint(20, 15)}) {
        EXPECT_EQ(qRed(out.pixel(p)), 255);
        EXPECT_NEAR(qGreen(out.pixel(p)), 128, 1);
    }

    // The image rectangle bounds it even when the painter could reach further.
    QImage wide = flat(60, 30, Qt::white);
    QPainter p(&wide);
    f.draw(p, flat(40, 30, Qt::white));
    p.end();
    EXPECT_EQ(wide.pixel(50, 10), qRgb(255, 255, 255));
    EXPECT_NEAR(qGreen(wide.pixel(30, 10)), 128, 1);
}

TEST(FillLayerTest, AlphaIsKeptWithinItsRange) {
    FillLayer f;
    f.setAlpha(0);
    EXPECT_EQ(f.alpha, 0.05);
    f.setAlpha(7);
    EXPECT_EQ(f.alpha, 1);
    f.alpha = 0; // set directly: drawing still applies the floor
    EXPECT_EQ(f.effectiveAlpha(), 0.05);
    f.color = Qt::black;
    EXPECT_NEAR(qRed(render(f, flat(10, 10, Qt::white)).pixel(5, 5)), 242, 1);
}

TEST(FillLayerTest, GradientAcrossTheImageWithTheLayerAlpha) {
    FillLayer f;
    f.gradient = GradientFill{QColor(255, 0, 0), QColor(0, 0, 255), 0};
    f.alpha = 1;
    QImage out = render(f, flat(100, 20, Qt::white));
    // Angle 0 runs left to right over half the diagonal each side of the centre, so the ends
    // of a wide image are close to the pure colours and the middle is half-way.
    EXPECT_GT(qRed(out.pixel(1, 10)), 240);
    EXPECT_GT(qBlue(out.pixel(98, 10)), 240);
    EXPECT_NEAR(qRed(out.pixel(50, 10)), 127, 4);
    EXPECT_EQ(out.pixel(50, 0), out.pixel(50, 19));

    f.gradient->angle = M_PI / 2; // top to bottom
    out = render(f, flat(20, 100, Qt::white));
    EXPECT_GT(qRed(out.pixel(10, 1)), 240);
    EXPECT_GT(qBlue(out.pixel(10, 98)), 240);

    f.alpha = 0.5;
    out = render(f, flat(20, 100, Qt::white));
    EXPECT_NEAR(qGreen(out.pixel(10, 1)), 128, 3);
}

TEST(FillLayerTest, MovingKeepsItInPlace) {
    FillLayer f;
    f.color = Qt::blue;
    f.isLocked = true;
    const auto copy = std::static_pointer_cast<FillLayer>(f.translated(30, 40));
    EXPECT_NE(copy.get(), &f);
    EXPECT_FALSE(copy->isLocked);
    EXPECT_EQ(copy->color, f.color);
    EXPECT_EQ(render(*copy, flat(10, 10, Qt::white)), render(f, flat(10, 10, Qt::white)));
    EXPECT_FALSE(f.hitTest({5, 5}));
}

TEST(FillLayerTest, Reference) {
    FillLayer f;
    f.gradient = GradientFill{QColor(0x2f, 0x6f, 0xde), QColor(0xe0, 0x43, 0x3a), M_PI / 4};
    f.alpha = 0.35;
    EXPECT_TRUE(
        test::matchesReference(render(f, test::sampleScreenshot(160, 120)), QStringLiteral("fill_gradient")));
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
    const QImage out = render(r, flat(20, 20, Qt::white));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool inside = x == 11 && y >= 10 && y <= 12;
            ASSERT_EQ(out.pixel(x, y), inside ? qRgb(0, 128, 255) : qRgb(255, 255, 255)) << x << "," << y;
        }
    }

    r.alpha = 0.5;
    EXPECT_NEAR(qRed(render(r, flat(20, 20, Qt::white)).pixel(11, 11)), 128, 1);

    // A mask decoded into another format is read by its grey level.
    r.mask = r.mask.convertToFormat(QImage::Format_RGB32);
    r.alpha = 1;
    EXPECT_EQ(render(r, flat(20, 20, Qt::white)).pixel(11, 11), qRgb(0, 128, 255));
    EXPECT_EQ(render(r, flat(20, 20, Qt::white)).pixel(10, 11), qRgb(255, 255, 255));
}

TEST(RegionFillLayerTest, TransparentFillErasesALayerDrawnBeforeIt) {
    const QImage base = flat(120, 80, QColor(0xf4, 0xf6, 0xfa));
    auto stroke = std::make_shared<StrokeDouble>();
    stroke->from = QPointF(10, 40);
    stroke->to = QPointF(110, 40);
    auto erase = std::make_shared<RegionFillLayer>();
    erase->transparent = true;
    erase->mask = discMask(30, 30, {15, 15}, 14);
    erase->maskRect = QRectF(45, 25, 30, 30);

    const QImage kept = DocumentFlattener::flatten(base, {stroke}, QRectF(0, 0, 120, 80));
    const QImage cut = DocumentFlattener::flatten(base, {stroke, erase}, QRectF(0, 0, 120, 80));
    EXPECT_EQ(qRed(kept.pixel(60, 40)), 0xe0);
    // Inside the mask everything below is gone, the stroke and the image under it.
    EXPECT_EQ(qAlpha(cut.pixel(60, 40)), 0);
    EXPECT_EQ(qAlpha(cut.pixel(60, 30)), 0);
    // Outside the mask both are untouched, including the rest of the stroke inside maskRect.
    EXPECT_EQ(cut.pixel(20, 40), kept.pixel(20, 40));
    EXPECT_EQ(cut.pixel(45, 40), kept.pixel(45, 40)); // on the stroke, just outside the disc
    EXPECT_EQ(qRed(cut.pixel(45, 40)), 0xe0);
    EXPECT_EQ(cut.pixel(74, 40), kept.pixel(74, 40));
    EXPECT_EQ(cut.pixel(46, 27), kept.pixel(46, 27));
    EXPECT_EQ(cut.pixel(100, 40), kept.pixel(100, 40));

    // Drawn after the fill instead, the stroke stays whole.
    const QImage over = DocumentFlattener::flatten(base, {erase, stroke}, QRectF(0, 0, 120, 80));
    EXPECT_EQ(qRed(over.pixel(60, 40)), 0xe0);
    EXPECT_EQ(qAlpha(over.pixel(60, 30)), 0);
}

TEST(RegionFillLayerTest, GeometryFollowsTheMask) {
    RegionFillLayer r;
    r.mask = discMask(40, 40, {20, 20}, 6);
    r.maskRect = QRectF(100, 50, 40, 40);
    r.seedPoint = QPointF(120, 70);
    r.isLocked = true;
    EXPECT_EQ(r.bounds(), QRectF(100, 50, 40, 40));
    EXPECT_TRUE(r.hitTest({120, 70}));
    EXPECT_TRUE(r.hitTest({129, 70}));  // 3 past the disc's edge
    EXPECT_FALSE(r.hitTest({102, 52})); // inside maskRect, far from any filled pixel
    EXPECT_FALSE(r.hitTest({90, 70}));

    const auto moved = std::static_pointer_cast<RegionFillLayer>(r.translated(-10, 5));
    EXPECT_EQ(moved->maskRect, QRectF(90, 55, 40, 40));
    EXPECT_EQ(moved->seedPoint, QPointF(110, 75));
    EXPECT_FALSE(moved->isLocked);
    EXPECT_TRUE(moved->hitTest({110, 75}));

    RegionFillLayer empty;
    EXPECT_EQ(render(empty, flat(10, 10, Qt::white)), flat(10, 10, Qt::white));
    EXPECT_FALSE(empty.hitTest({0, 0}));
}

TEST(RegionFillLayerTest, Reference) {
    const QImage base = test::sampleScreenshot(160, 120);
    // The fill covers the card's pale background around its content, as a region fill would.
    QImage mask(base.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < base.height(); ++y) {
        for (int x = 0; x < base.width(); ++x) {
            mask.scanLine(y)[x] = base.pixel(x, y) == qRgb(255, 255, 255) ? 255 : 0;
        }
    }
    RegionFillLayer r;
    r.mask = mask.copy(8, 24, 144, 88);
    r.maskRect = QRectF(8, 24, 144, 88);
    r.color = QColor(0xfe, 0xbc, 0x2e);
    r.alpha = 0.45;
    EXPECT_TRUE(test::matchesReference(render(r, base), QStringLiteral("region_fill")));
}

TEST(SimplifyLayerTest, FillsTheShapeWithAnOptionalBorder) {
    SimplifyLayer s;
    s.rect = QRectF(10, 10, 60, 40);
    s.fillColor = QColor(0x34, 0x3a, 0x46);
    s.shape = MosaicShape::ellipse;
    QImage out = render(s, flat(80, 60, Qt::white));
    EXPECT_EQ(out.pixel(40, 30), qRgb(0x34, 0x3a, 0x46));
    EXPECT_EQ(out.pixel(12, 12), qRgb(255, 255, 255));

    s.shape = MosaicShape::rect;
    s.borderWidth = 4;
    s.borderColor = QColor(255, 0, 0);
    out = render(s, flat(80, 60, Qt::white));
    EXPECT_EQ(out.pixel(10, 30), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(8, 30), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(14, 30), qRgb(0x34, 0x3a, 0x46));
    EXPECT_EQ(out.pixel(6, 30), qRgb(255, 255, 255));
    EXPECT_EQ(s.bounds(), QRectF(8, 8, 64, 44));

    s.borderWidth = -3; // treated as none
    EXPECT_EQ(s.bounds(), QRectF(10, 10, 60, 40));
    EXPECT_EQ(render(s, flat(80, 60, Qt::white)).pixel(10, 30), qRgb(0x34, 0x3a, 0x46));

    s.shadow = ShadowStyle::hard;
    out = render(s, flat(80, 60, Qt::white));
    EXPECT_LT(qGray(out.pixel(40, 51)), 220);

    s.shape = MosaicShape::ellipse;
    EXPECT_TRUE(s.hitTest({40, 30}));
    EXPECT_FALSE(s.hitTest({12, 12}));
    const auto moved = std::static_pointer_cast<SimplifyLayer>(s.translated(1, 2));
    EXPECT_EQ(moved->rect, QRectF(11, 12, 60, 40));
    EXPECT_EQ(moved->fillColor, s.fillColor);
}

TEST(PasteImageLayerTest, DrawsTheImageScaledIntoItsRect) {
    QImage picture(2, 1, QImage::Format_ARGB32_Premultiplied);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 0, 255));
    PasteImageLayer p;
    p.image = picture;
    p.rect = QRectF(10, 10, 40, 20);
    QImage out = render(p, flat(60, 40, Qt::white));
    EXPECT_EQ(out.pixel(12, 20), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(47, 20), qRgb(0, 0, 255));
    // Smooth scaling blends across the middle.
    EXPECT_GT(qRed(out.pixel(30, 20)), 60);
    EXPECT_GT(qBlue(out.pixel(30, 20)), 60);
    EXPECT_EQ(out.pixel(8, 20), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(30, 31), qRgb(255, 255, 255));

    p.opacity = 0.5;
    out = render(p, flat(60, 40, Qt::white));
    EXPECT_NEAR(qGreen(out.pixel(12, 20)), 128, 2);

    PasteImageLayer empty;
    empty.rect = QRectF(0, 0, 10, 10);
    EXPECT_EQ(render(empty, flat(20, 20, Qt::white)), flat(20, 20, Qt::white));

    p.isLocked = true;
    const auto moved = std::static_pointer_cast<PasteImageLayer>(p.translated(5, 5));
    EXPECT_EQ(moved->rect, QRectF(15, 15, 40, 20));
    EXPECT_EQ(moved->image, picture);
    EXPECT_FALSE(moved->isLocked);
}
