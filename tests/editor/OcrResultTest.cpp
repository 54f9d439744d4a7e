#include "editor/OcrResult.h"
#include "editor/OcrOverlay.h"

#include <gtest/gtest.h>

namespace mebo {
namespace {

OcrTextBlock block(const char* text, double x, double y, double w = 0.1, double h = 0.05) {
    return OcrTextBlock{QString::fromUtf8(text), QRectF(x, y, w, h)};
}

TEST(OcrResultTest, ReadingOrderIsTopFirstThenLeftToRightWithinOneHundredth) {
    // Origin y differs by exactly 0.01: one line, left to right; by 0.011: the higher first.
    OcrResult r = OcrResult::inReadingOrder({block("right", 0.5, 0.80), block("left", 0.1, 0.81),
                                             block("lower", 0.1, 0.5), block("", 0.0, 0.9),
                                             block("upper", 0.9, 0.511)});
    EXPECT_EQ(r.text, QStringLiteral("left\nright\nupper\nlower"));
    ASSERT_EQ(r.blocks.size(), 4);
    EXPECT_EQ(r.blocks[0].normalizedBoundingBox, QRectF(0.1, 0.81, 0.1, 0.05));

    const OcrResult none = OcrResult::inReadingOrder({});
    EXPECT_TRUE(none.text.isEmpty());
    EXPECT_TRUE(none.blocks.isEmpty());
    EXPECT_EQ(OcrResult::statusText(none.text), QStringLiteral("No text recognized in image"));
    // User-perceived characters (line feeds included): an accented letter and a flag count once.
    EXPECT_EQ(OcrResult::statusText(QStringLiteral("e\u0301\n\n\U0001F1F9\U0001F1FC ok")),
              QStringLiteral("7 characters, 2 lines"));
}

TEST(OcrOverlayTest, BlocksBecomeTextLayersSizedByTheirHeight) {
    const QSize image(1000, 1000);
    OcrResult r;
    r.blocks = {block("  Hello \n", 0.1, 0.5, 0.2, 0.1), // 100 px high: 48
                block("tiny", 0.1, 0.4, 0.2, 0.003),     // 3 px high: none
                block("small", 0.3, 0.3, 0.2, 0.008),    // 8 px high: 8 (6.24 raised)
                block("   ", 0.1, 0.2, 0.2, 0.05)};      // blank: none
    const auto layers = OcrOverlay::textLayers(r, image, QPointF(20, 30));
    ASSERT_EQ(layers.size(), 2);
    EXPECT_EQ(layers[0]->text, QStringLiteral("Hello"));
    EXPECT_DOUBLE_EQ(layers[0]->fontSize, 48);
    EXPECT_EQ(layers[0]->position, QPointF(100 + 20, 400 + 30)); // y = (1 - 0.6) x 1000
    EXPECT_EQ(layers[0]->shadow, ShadowStyle::none);
    EXPECT_DOUBLE_EQ(layers[1]->fontSize, 8);
    EXPECT_DOUBLE_EQ(OcrOverlay::fontSize(20), 15.6);

    // Rounded outward: a box from 100.4 to 200.6 spans 100..201.
    EXPECT_EQ(OcrOverlay::blockRect(QRectF(0.1004, 0.5, 0.1002, 0.1), image), QRect(100, 400, 101, 100));
}

TEST(OcrOverlayTest, RegionsUnderTenPixelsAreNotRecognised) {
    const QSize image(200, 100);
    EXPECT_FALSE(OcrOverlay::regionInImage(QRectF(50, 50, 9, 40), QPointF(), image));
    EXPECT_EQ(OcrOverlay::regionInImage(QRectF(50, 50, 10, 10), QPointF(), image), QRect(50, 50, 10, 10));
    // Dragged backwards on a canvas offset by (40, 20), partly outside the image.
    EXPECT_EQ(OcrOverlay::regionInImage(QRectF(250.5, 140, -30, -40), QPointF(40, 20), image),
              QRect(180, 80, 20, 20));
    EXPECT_FALSE(
        OcrOverlay::regionInImage(QRectF(245, 10, 30, 30), QPointF(40, 0), image)); // 5 px wide inside
}

} // namespace
} // namespace mebo
