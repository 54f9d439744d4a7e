#include "platform/tesseract/TesseractRecognizer.h"

#include <QFont>
#include <QPainter>
#include <gtest/gtest.h>

namespace mebo::platform {
namespace {

// Black interface text on white, as in a screenshot; answers where each line was drawn.
QImage renderLines(const QStringList& lines, int pixelSize, QList<QRect>* drawn,
                   const QString& family = QStringLiteral("DejaVu Sans")) {
    QImage image(640, 60 + lines.size() * pixelSize * 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QFont font(family);
    font.setPixelSize(pixelSize);
    p.setFont(font);
    p.setPen(Qt::black);
    const QFontMetrics metrics(font);
    for (int i = 0; i < lines.size(); ++i) {
        const QPoint origin(30, 30 + i * pixelSize * 2 + metrics.ascent());
        p.drawText(origin, lines[i]);
        drawn->append(metrics.tightBoundingRect(lines[i]).translated(origin));
    }
    return image;
}

QRect toPixels(const QRectF& unit, QSize size) {
    return QRectF(unit.x() * size.width(), (1.0 - unit.y() - unit.height()) * size.height(),
                  unit.width() * size.width(), unit.height() * size.height())
        .toAlignedRect();
}

TEST(TesseractRecognizerTest, ReadsInterfaceTextWithLineAndCharacterBoxes) {
    QList<QRect> drawn;
    const QImage image = renderLines(
        {QStringLiteral("Invoice sent to alice@example.com"), QStringLiteral("Total due 1,250.00")}, 14,
        &drawn);
    TesseractRecognizer recognizer;
    QString error;
    const auto lines = recognizer.recognize(image, &error);
    ASSERT_TRUE(lines) << error.toStdString();
    ASSERT_EQ(lines->size(), 2);
    EXPECT_EQ(lines->at(0).text, QStringLiteral("Invoice sent to alice@example.com"));
    EXPECT_EQ(lines->at(1).text, QStringLiteral("Total due 1,250.00"));
    for (int i = 0; i < 2; ++i) {
        const RecognizedTextLine& line = lines->at(i);
        ASSERT_EQ(line.characterBoxes.size(), line.text.size());
        const QRect box = toPixels(line.box, image.size());
        EXPECT_TRUE(box.adjusted(-3, -3, 3, 3).contains(drawn[i])) << i;
        EXPECT_LT(box.height(), drawn[i].height() + 8);
    }
    // The address's own box lies inside the line, right of "to".
    const RecognizedTextLine& first = lines->at(0);
    const int at = int(first.text.indexOf(QStringLiteral("alice")));
    const auto address = first.boxForRange(at, int(first.text.size()) - at);
    ASSERT_TRUE(address);
    const QRect addressPx = toPixels(*address, image.size());
    const QRect toPx =
        toPixels(*first.boxForRange(int(first.text.indexOf(QStringLiteral(" to "))) + 1, 2), image.size());
    EXPECT_GT(addressPx.left(), toPx.right());
    EXPECT_TRUE(toPixels(first.box, image.size()).adjusted(-1, -1, 1, 1).contains(addressPx));
    EXPECT_FALSE(first.boxForRange(0, 0));
    EXPECT_FALSE(first.boxForRange(int(first.text.size()) - 1, 2));
}

// Terminal text (xterm at 14 to 18 points): a full stop fills a cell of its own, and the engine
// splits the word after it.
TEST(TesseractRecognizerTest, MonospacedWordsAreNotSplitAtWideCells) {
    QList<QRect> drawn;
    const QStringList text = {QStringLiteral("E-mail:  laura.bennett@example.com"),
                              QStringLiteral("Host:    build.example.org  port 8080")};
    for (int size : {19, 21, 24}) {
        drawn.clear();
        const QImage image = renderLines(text, size, &drawn, QStringLiteral("DejaVu Sans Mono"));
        TesseractRecognizer recognizer;
        QString error;
        const auto lines = recognizer.recognize(image, &error);
        ASSERT_TRUE(lines) << error.toStdString();
        ASSERT_EQ(lines->size(), 2) << size;
        EXPECT_TRUE(lines->at(0).text.endsWith(QStringLiteral("laura.bennett@example.com")))
            << size << " " << lines->at(0).text.toStdString();
        // Real spaces, one cell or more, stay.
        EXPECT_TRUE(lines->at(1).text.contains(QStringLiteral("build.example.org port 8080")))
            << size << " " << lines->at(1).text.toStdString();
    }
}

TEST(TesseractRecognizerTest, BlankAndEmptyImagesAndMissingLanguages) {
    TesseractRecognizer recognizer;
    QString error;
    QImage blank(300, 120, QImage::Format_RGB32);
    blank.fill(Qt::white);
    const auto none = recognizer.recognize(blank, &error);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->isEmpty());

    EXPECT_FALSE(recognizer.recognize(QImage(), &error));
    EXPECT_EQ(error, QStringLiteral("empty image"));

    TesseractRecognizer klingon(QStringLiteral("tlh"));
    EXPECT_FALSE(klingon.recognize(blank, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("tlh")));

    EXPECT_EQ(TesseractRecognizer::upscaleFor(QSize(1920, 1080)), 2);
    EXPECT_EQ(TesseractRecognizer::upscaleFor(QSize(3840, 2160)), 1);
}

} // namespace
} // namespace mebo::platform
