#include <gtest/gtest.h>

#include "document/DocumentFlattener.h"
#include "document/EraserStrokeLayer.h"
#include "document/StepLayer.h"
#include "support/Drawing.h"

namespace mebo {
namespace {

QImage stripes(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            row[x] = ((x / 7 + y / 5) % 3) ? qRgb(240, 242, 246) : qRgb(30 + x % 200, 90, 160 + y % 90);
        }
    }
    return image;
}

TEST(DocumentFlattenerTest, CropsToTheCanvasAndAppliesErasersFirst) {
    const QImage base = stripes(300, 200);
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
