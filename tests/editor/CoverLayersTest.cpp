#include "document/CoverLayers.h"
#include "document/DocumentFlattener.h"
#include "document/MagnifyLayer.h"
#include "document/MosaicLayer.h"
#include "document/RegionFillLayer.h"
#include "editor/EditorVM.h"
#include "support/Drawing.h"
#include "support/TestUtil.h"

#include <QPainter>
#include <algorithm>
#include <gtest/gtest.h>

namespace mebo {
namespace {

// White with black "glyphs": thin bars a fill would trace if it could see them.
QImage textLikeCapture() {
    QImage img(240, 120, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    for (int x = 70; x < 170; x += 8) {
        p.fillRect(QRect(x, 45, 3, 30), Qt::black);
    }
    return img;
}

std::shared_ptr<MosaicLayer> cover(MosaicStyle style, QRectF rect = QRectF(60, 40, 120, 40)) {
    auto m = std::make_shared<MosaicLayer>();
    m->rect = rect;
    m->style = style;
    m->intensity = style == MosaicStyle::gaussian ? 6 : 20;
    m->solidColor = Qt::darkGray;
    return m;
}

// Every pixel of the mask inside `area` (image pixels) has the same value; answers that value.
std::optional<int> uniformInside(const RegionFillLayer& fill, const QRect& area) {
    std::optional<int> seen;
    const QRect box = fill.maskRect.toAlignedRect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QPoint at = QPoint(x, y) - box.topLeft();
            const int v = fill.mask.rect().contains(at) ? qGray(fill.mask.pixel(at)) : 0;
            if (seen && *seen != v) {
                return std::nullopt;
            }
            seen = v;
        }
    }
    return seen;
}

int maxDiff(const QImage& a, const QImage& b) {
    return a.size() == b.size() ? test::maxDifference(a, b) : -1;
}

const RegionFillLayer* fillAfter(EditorVM& vm, const QPointF& seed, FillMode mode) {
    ToolStyles styles = vm.styles();
    styles.fill.mode = mode;
    styles.fill.regionTolerance = 10;
    vm.setStyles(styles);
    const qsizetype before = vm.layers().size();
    vm.fillAt(seed);
    EXPECT_TRUE(test::waitUntil([&] { return !vm.regionBusy(); }));
    return vm.layers().size() > before ? dynamic_cast<const RegionFillLayer*>(vm.layers().last().get())
                                       : nullptr;
}

// A fill never traces what a cover hides: seeded outside it leaves the cover alone, seeded inside
// it paints exactly the cover; whatever the cover's kind and the fill's mode.
TEST(CoverLayers, AFillPaintsACoverAllOrNothing) {
    for (MosaicStyle style : {MosaicStyle::pixelate, MosaicStyle::gaussian, MosaicStyle::solid}) {
        for (FillMode mode : {FillMode::region, FillMode::global}) {
            EditorVM vm(textLikeCapture());
            vm.addLayer(cover(style));
            const QRect inside(62, 42, 116, 36);
            const RegionFillLayer* around = fillAfter(vm, QPointF(10, 10), mode);
            ASSERT_TRUE(around);
            EXPECT_EQ(uniformInside(*around, inside), 0) << int(style) << int(mode);
            EXPECT_EQ(qGray(around->mask.pixel(QPoint(5, 5) - around->maskRect.toAlignedRect().topLeft())),
                      255);

            // On a bar under the cover: the whole cover, nothing beyond it.
            const RegionFillLayer* on = fillAfter(vm, QPointF(71, 50), mode);
            ASSERT_TRUE(on);
            EXPECT_EQ(on->maskRect, QRectF(60, 40, 120, 40));
            EXPECT_EQ(uniformInside(*on, inside), 255);
        }
    }
}

// Layers that read the picture read it with the covers below them applied.
TEST(CoverLayers, MagnifiersAndBlursAboveACoverShowTheCover) {
    const QImage capture = textLikeCapture();
    auto mosaic = cover(MosaicStyle::pixelate);
    auto lens = std::make_shared<MagnifyLayer>();
    lens->center = QPointF(120, 60);
    lens->size = QSizeF(60, 60);
    lens->zoomLevel = 2;
    const QImage covered = DocumentFlattener::flatten(capture, {mosaic}, QRectF(capture.rect()));
    // The lens over the cover shows the cover magnified, as if the covered picture were the capture.
    const QRectF all(capture.rect());
    EXPECT_LE(maxDiff(DocumentFlattener::flatten(capture, {mosaic, lens}, all),
                      DocumentFlattener::flatten(covered, {lens}, all)),
              2);
    // A light blur over a strong mosaic blurs the mosaic, not the bars it hides.
    auto blur = cover(MosaicStyle::gaussian, QRectF(80, 30, 60, 60));
    blur->intensity = 1;
    EXPECT_LE(maxDiff(DocumentFlattener::flatten(capture, {mosaic, blur}, all),
                      DocumentFlattener::flatten(covered, {blur}, all)),
              2);
    // The editor's picture agrees with the export.
    EditorVM vm(capture);
    vm.addLayer(mosaic);
    vm.addLayer(lens);
    vm.addLayer(blur);
    EXPECT_LE(maxDiff(vm.composite(), vm.flattened()), 2);
    EXPECT_LE(maxDiff(vm.flattened(), DocumentFlattener::flatten(covered, {lens, blur}, all)), 2);
}

// Only a layer reading pixels that a cover below it changed needs the covered picture, and only
// the covers such a layer sees are applied to it; whatever the stack, the banded flatten gives
// what drawing every layer in order on one painter gives.
TEST(CoverLayers, OnlyReadsOfCoveredPixelsNeedTheCoveredPicture) {
    const auto at = [](MosaicStyle style, double x, double y = 40) {
        return cover(style, QRectF(x, y, 50, 30));
    };
    auto lens = std::make_shared<MagnifyLayer>();
    lens->center = QPointF(200, 100);
    lens->size = QSizeF(30, 30);
    const auto solid = cover(MosaicStyle::solid, QRectF(100, 0, 40, 120)); // reads nothing
    const auto pixelA = at(MosaicStyle::pixelate, 0), pixelB = at(MosaicStyle::pixelate, 100);
    const auto touching = at(MosaicStyle::pixelate, 50), blurNear = at(MosaicStyle::gaussian, 60);
    const auto blurFar = at(MosaicStyle::gaussian, 160, 80);
    const struct {
        const char* what;
        LayerList layers;
        QList<bool> readers;
        QList<bool> seen;
    } cases[] = {
        {"no layers", {}, {}, {}},
        {"two pixelations apart", {pixelA, pixelB}, {false, false}, {false, false}},
        {"pixelations touching", {pixelA, touching}, {false, true}, {true, false}},
        {"a blur whose context reaches the cover", {pixelA, blurNear}, {false, true}, {true, false}},
        {"a blur far enough", {pixelA, blurFar}, {false, false}, {false, false}},
        {"a blur below the cover", {blurNear, pixelA}, {false, false}, {false, false}},
        {"a solid cover over another", {pixelA, pixelB, solid}, {false, false, false}, {false, false, false}},
        {"a magnifier above two covers", {pixelA, blurFar, lens}, {false, false, true}, {true, true, false}},
        {"a magnifier below every cover", {lens, pixelA}, {false, false}, {false, false}},
        {"a chain of covers", {pixelA, blurNear, pixelB}, {false, true, true}, {true, true, false}}};
    const QImage capture = textLikeCapture();
    for (const auto& c : cases) {
        const CoverLayers::CoveredReads reads = CoverLayers::coveredReads(c.layers, capture.size());
        EXPECT_EQ(reads.readers, c.readers) << c.what;
        EXPECT_EQ(reads.seen, c.seen) << c.what;
        EXPECT_EQ(reads.any, c.readers.contains(true)) << c.what;
        EXPECT_LE(maxDiff(DocumentFlattener::flatten(capture, c.layers, QRectF(capture.rect())),
                          test::drawnInOrder(capture, c.layers)),
                  2)
            << c.what;
    }
}

} // namespace
} // namespace mebo
