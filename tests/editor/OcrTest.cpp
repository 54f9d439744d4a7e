#include "document/MosaicLayer.h"
#include "document/TextLayer.h"
#include "editor/EditorOcr.h"
#include "editor/EditorVM.h"
#include "editor/OcrOverlay.h"
#include "editor/OcrResult.h"
#include "editor/OcrResultWindowModel.h"
#include "editor/SmartRedactReview.h"
#include "support/Drawing.h"
#include "support/Fakes.h"
#include "support/TestUtil.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace mebo {
namespace {

using test::ScriptedRecognizer;

QImage canvas() {
    return test::canvas(400, 200, Qt::white);
}

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

TEST(OcrResultWindowModelTest, ButtonsCopyJoinAndFlashTheirMessages) {
    test::FakeClipboard clipboard;
    test::LogCapture log;
    OcrResultWindowModel window(&clipboard);
    QSignalSpy shown(&window, &OcrResultWindowModel::shown);
    QSignalSpy replaced(&window, &OcrResultWindowModel::textReplaced);
    int overlays = 0;
    window.show(QStringLiteral("one\r\ntwo\n\nthree"), nullptr, [&](const QString&) { ++overlays; });
    EXPECT_EQ(shown.count(), 1);
    EXPECT_FALSE(window.canSelectRegion());
    EXPECT_TRUE(window.canOverlay());
    // A carriage return and line feed make one character.
    EXPECT_EQ(window.status(), QStringLiteral("14 characters, 3 lines"));

    window.copyAll();
    EXPECT_EQ(clipboard.formats.value("text/plain"), QByteArray("one\r\ntwo\n\nthree"));
    EXPECT_EQ(window.status(), QStringLiteral("Copied to clipboard"));
    EXPECT_TRUE(log.contains(QStringLiteral("[OCR] Copy All: 14 chars")));

    window.joinLines();
    ASSERT_EQ(replaced.count(), 1);
    EXPECT_EQ(window.text(), QStringLiteral("one two three"));
    EXPECT_EQ(window.status(), QStringLiteral("Joined to single line"));
    EXPECT_TRUE(log.contains(QStringLiteral("[OCR] Join Lines: 14 -> 13 chars")));
    window.joinLines();
    EXPECT_EQ(replaced.count(), 1);
    EXPECT_EQ(window.status(), QStringLiteral("Already single line"));

    window.overlay();
    EXPECT_EQ(overlays, 1);
    EXPECT_EQ(window.status(), QStringLiteral("Text layers added"));
    window.selectRegion(); // no handler: nothing happens
    // The counts come back after the flash.
    ASSERT_TRUE(test::waitUntil([&] { return window.status() == QStringLiteral("13 characters, 1 lines"); },
                                OcrResultWindowModel::kStatusFlashSec * 1000 + 1000));

    window.show(QString(), nullptr, nullptr);
    EXPECT_EQ(window.status(), QStringLiteral("No text recognized in image"));
    EXPECT_FALSE(window.canOverlay());
}

TEST(EditorOcrTest, WholeImageRegionsAndTheOverlay) {
    auto recognizer = std::make_shared<ScriptedRecognizer>();
    test::FakeSoundPlayer sound;
    test::FakeClipboard clipboard;
    EditorVM editor(canvas());
    OcrResultWindowModel window(&clipboard);
    std::function<void(const QRectF&)> picked;
    EditorOcr ocr(editor, OcrSvc(recognizer), window, &sound,
                  [&](std::function<void(const QRectF&)> done) { picked = std::move(done); });
    QSignalSpy shown(&window, &OcrResultWindowModel::shown);

    // No text in the whole image: an empty window and the beep.
    ocr.recognizeImage();
    ASSERT_TRUE(test::waitUntil([&] { return shown.count() == 1; }));
    EXPECT_EQ(window.text(), QString());
    EXPECT_EQ(sound.beeps, 1);
    EXPECT_EQ(recognizer->seenWidth, 400);

    // "Select Region...": a 100 x 64 region at (200, 100); its line's layer lands over the words.
    ASSERT_TRUE(window.canSelectRegion());
    window.selectRegion();
    ASSERT_TRUE(picked);
    recognizer->lines = {test::recognisedLine(QStringLiteral("Total"), QRectF(0.25, 0.25, 0.5, 0.125))};
    picked(QRectF(200, 100, 100, 64));
    ASSERT_TRUE(test::waitUntil([&] { return shown.count() == 2; }));
    EXPECT_EQ(recognizer->seenWidth, 100);
    EXPECT_EQ(window.text(), QStringLiteral("Total"));
    window.overlay();
    ASSERT_EQ(editor.layers().size(), 1);
    const auto* text = dynamic_cast<const TextLayer*>(editor.layers().first().get());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text, QStringLiteral("Total"));
    // Box x 0.25..0.75, y 0.25..0.375 (from the bottom) of 100 x 64: pixels (25, 40) 50 x 8, plus
    // the region's corner.
    EXPECT_EQ(text->position, QPointF(225, 140));
    editor.undo();
    EXPECT_TRUE(editor.layers().isEmpty());
}

TEST(SmartRedactReviewTest, ScansListsAndCoversTheCheckedItemsAsOneStep) {
    auto recognizer = std::make_shared<ScriptedRecognizer>();
    recognizer->lines = {
        test::recognisedLine(QStringLiteral("mail a.b@example.com"), QRectF(0.1, 0.8, 0.6, 0.05)),
        test::recognisedLine(QStringLiteral("ssn 078-05-1120"), QRectF(0.1, 0.5, 0.4, 0.05))};
    // What the sheet shows of a scan is tested with the sheet; here, the covers and the failure.
    EditorVM editor(canvas());
    SmartRedactReview review(editor, PIIDetector(recognizer, nullptr));
    EXPECT_EQ(review.text(), QString()); // before any scan
    review.scan();
    ASSERT_TRUE(test::waitUntil([&] { return !review.scanning(); }));
    ASSERT_EQ(review.items().size(), 2);
    review.setChecked(1, false);
    review.apply();
    ASSERT_EQ(editor.layers().size(), 1);
    const auto* cover = dynamic_cast<const MosaicLayer*>(editor.layers().first().get());
    ASSERT_NE(cover, nullptr);
    EXPECT_TRUE(cover->bounds().toAlignedRect().contains(review.items().first().boundingBox.center()));
    editor.undo();
    EXPECT_TRUE(editor.layers().isEmpty());

    recognizer->fail = true;
    review.scan();
    ASSERT_TRUE(test::waitUntil([&] { return !review.scanning(); }));
    EXPECT_EQ(review.text(), QStringLiteral("Smart Redact could not scan this image."));
    EXPECT_TRUE(review.items().isEmpty());
}

} // namespace
} // namespace mebo
