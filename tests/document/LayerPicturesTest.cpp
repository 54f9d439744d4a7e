#include "support/Drawing.h"

#include "document/EllipseLayer.h"
#include "document/EraserStrokeLayer.h"
#include "document/LineLayer.h"
#include "document/RectLayer.h"
#include "document/SpotlightLayer.h"
#include "document/StepLayer.h"

#include "document/CoverLayers.h"
#include "document/DocumentFlattener.h"
#include "document/LayerPictures.h"

#include <gtest/gtest.h>

namespace mebo {
namespace {

QImage busyBase(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            row[x] = ((x / 9 + y / 4) % 3) ? qRgb(235, 238, 242) : qRgb(20 + x % 220, 80 + y % 120, 150);
        }
    }
    return image;
}

using test::drawnInOrder;

// Every kind of layer, spread over a tall image so that it crosses the output's bands.
LayerList everyKindAcrossBands(int height, bool withCovers) {
    LayerList out;
    int row = 0;
    for (const LayerPtr& l : test::sampleLayers()) {
        if (!withCovers && CoverLayers::isCover(*l)) {
            continue;
        }
        out << l->translated(40, 20 + (row++ % 8) * height / 9);
    }
    return out;
}

// A spotlight is drawn straight into each band; its dashed border crosses a band's edge. Layers
// above a cover read the covered picture.
TEST(LayerPictures, BandedCompositeEqualsDrawingInOrder) {
    const QImage base = busyBase(700, 2100);
    for (bool withCovers : {false, true}) {
        LayerPictures::clearCache();
        const LayerList layers = everyKindAcrossBands(base.height(), withCovers);
        const QImage cold = DocumentFlattener::flatten(base, layers, QRectF(base.rect()));
        EXPECT_LE(test::maxDifference(cold, drawnInOrder(base, layers)), 2) << withCovers;
        // Again, from kept pictures: the same picture to the last bit.
        EXPECT_GT(LayerPictures::cachedBytes(), 0);
        EXPECT_EQ(DocumentFlattener::flatten(base, layers, QRectF(base.rect())), cold);
        // A crop keeps the pictures' places (layers drawn straight into a band may round differently).
        const QImage cropped = DocumentFlattener::flatten(base, layers, QRectF(33, 501, 400, 900));
        EXPECT_LE(test::maxDifference(cropped, cold.copy(33, 501, 400, 900)), 1) << withCovers;
    }
}

// Dashed and dotted outlines of layers drawn straight into the bands (large ones, a spotlight) cross
// the bands' edges and a crop's: their dashes fall where drawing in order puts them.
TEST(LayerPictures, DashesCrossingBandEdgesFallWhereDrawingInOrderPutsThem) {
    const QImage base = busyBase(600, 1800);
    auto rect = std::make_shared<RectLayer>();
    rect->rect = {30.5, 100.25, 520, 1500};
    rect->lineStyle = ArrowLineStyle::dashed;
    rect->strokeWidth = 5;
    auto ellipse = std::make_shared<EllipseLayer>();
    ellipse->rect = {60, 200, 480, 1300};
    ellipse->lineStyle = ArrowLineStyle::dotted;
    ellipse->strokeWidth = 3;
    auto line = std::make_shared<LineLayer>();
    line->start = {10, 30};
    line->end = {590, 1770};
    line->lineStyle = ArrowLineStyle::dashed;
    auto spotlight = std::make_shared<SpotlightLayer>();
    spotlight->rect = {100, 430, 300, 200};
    spotlight->shape = MosaicShape::ellipse;
    spotlight->borderWidth = 3;
    spotlight->borderStyle = ArrowLineStyle::dotted;
    spotlight->borderColor = Qt::red;
    const LayerPtr kinds[] = {rect, ellipse, line, spotlight};
    for (const LayerPtr& layer : kinds) {
        SCOPED_TRACE(layer->className());
        LayerPictures::clearCache();
        const LayerList layers{layer};
        const QImage expected = drawnInOrder(base, layers);
        EXPECT_LE(
            test::maxDifference(DocumentFlattener::flatten(base, layers, QRectF(base.rect())), expected), 2);
        const QRect crop(17, 333, 500, 1001);
        EXPECT_LE(
            test::maxDifference(DocumentFlattener::flatten(base, layers, QRectF(crop)), expected.copy(crop)),
            2);
    }
}

TEST(LayerPictures, ANewLayerAtAFreedAddressIsNeverShownWithTheOldPicture) {
    const QImage base = busyBase(200, 200);
    LayerPictures::clearCache();
    for (int round = 0; round < 50; ++round) {
        auto rect = std::make_shared<RectLayer>();
        rect->rect = {50, 50, 100, 100};
        rect->fillColor = round % 2 ? QColor(Qt::red) : QColor(Qt::blue);
        const QImage out = DocumentFlattener::flatten(base, {rect}, QRectF(base.rect()));
        ASSERT_EQ(QColor(out.pixel(100, 100)), *rect->fillColor) << "round " << round;
    }
}

TEST(DocumentFlattenerTest, CropsToTheCanvasAndAppliesErasersFirst) {
    const QImage base = busyBase(300, 200);
    auto eraser = std::make_shared<EraserStrokeLayer>();
    eraser->points = {{20, 100}, {280, 100}};
    eraser->width = 20;
    auto step = std::make_shared<StepLayer>();
    step->center = {150, 100};
    step->radius = 20;
    // The badge lies above the erased band: erasers touch only the base, whatever their order.
    const QImage out = DocumentFlattener::flatten(base, {step, eraser}, QRectF(10.5, 20, 280, 150.2));
    ASSERT_EQ(out.size(), QSize(281, 151)); // rounded outwards to whole pixels
    EXPECT_EQ(qAlpha(out.pixel(60 - 10, 100 - 20)), 0);
    EXPECT_EQ(qAlpha(out.pixel(150 - 10, 100 - 20)), 255);
    EXPECT_EQ(out.pixel(5, 5), base.pixel(15, 25) | 0xff000000);
    EXPECT_TRUE(DocumentFlattener::flatten(base, {}, QRectF(400, 400, 10, 10)).isNull());
    EXPECT_TRUE(DocumentFlattener::flatten(QImage(), {step}, QRectF(0, 0, 10, 10)).isNull());
}

} // namespace
} // namespace mebo
