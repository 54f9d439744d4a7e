#include "platform/tesseract/TesseractRecognizer.h"
#include "editor/PIIDetector.h"
#include "platform/names/GazetteerNameTagger.h"
#include "support/Drawing.h"

#include <gtest/gtest.h>

namespace mebo::platform {
namespace {

QRect toPixels(const QRectF& unit, QSize size) {
    return QRectF(unit.x() * size.width(), (1.0 - unit.y() - unit.height()) * size.height(),
                  unit.width() * size.width(), unit.height() * size.height())
        .toAlignedRect();
}

QStringList readLines(TesseractRecognizer& recognizer, const QImage& image) {
    QString error;
    QStringList out;
    for (const RecognizedTextLine& line :
         recognizer.recognize(image, &error).value_or(QList<RecognizedTextLine>{})) {
        out << line.text;
    }
    return out;
}

TEST(TesseractRecognizerTest, ReadsInterfaceTextWithLineAndCharacterBoxes) {
    QList<QRect> drawn;
    const QImage image = test::textPage(
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
    const QRect address = toPixels(*first.boxForRange(at, int(first.text.size()) - at), image.size());
    const QRect to =
        toPixels(*first.boxForRange(int(first.text.indexOf(QStringLiteral(" to "))) + 1, 2), image.size());
    EXPECT_GT(address.left(), to.right());
    EXPECT_TRUE(toPixels(first.box, image.size()).adjusted(-1, -1, 1, 1).contains(address));
    EXPECT_FALSE(first.boxForRange(0, 0));
    EXPECT_FALSE(first.boxForRange(int(first.text.size()) - 1, 2));
}

// Terminal text: a full stop fills a cell of its own, and the engine splits the word after it.
TEST(TesseractRecognizerTest, MonospacedWordsAreNotSplitAtWideCells) {
    for (int size : {19, 21, 24}) {
        TesseractRecognizer recognizer;
        const QStringList lines =
            readLines(recognizer, test::textPage({QStringLiteral("E-mail:  laura.bennett@example.com"),
                                                  QStringLiteral("Host:    build.example.org  port 8080")},
                                                 size, nullptr, QStringLiteral("DejaVu Sans Mono")));
        ASSERT_EQ(lines.size(), 2) << size;
        EXPECT_TRUE(lines[0].endsWith(QStringLiteral("laura.bennett@example.com"))) << lines[0].toStdString();
        EXPECT_TRUE(lines[1].contains(QStringLiteral("build.example.org port 8080")))
            << lines[1].toStdString();
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

// Small text in proportional fonts is where numbers and addresses get split and symbol boxes
// stray: every item must still be found, of its kind, covering what was drawn.
TEST(TesseractRecognizerTest, PersonalDataOnAFormIsFoundAndNothingElse) {
    TesseractRecognizer recognizer(QStringLiteral("eng"));
    const GazetteerNameTagger tagger;
    using Kind = DetectedPII::Kind;
    const std::pair<QString, Kind> form[] = {
        {QStringLiteral("Contact: Laura Bennett"), Kind::name},
        {QStringLiteral("E-mail: laura.bennett@example.com"), Kind::email},
        {QStringLiteral("Phone: (415) 555-0132"), Kind::phone},
        {QStringLiteral("SSN: 078-05-1120"), Kind::ssn},
        {QStringLiteral("Card: 4111 1111 1111 1111"), Kind::creditCard},
        {QStringLiteral("Account: 4111111111111112"), Kind::bankAccount}};
    for (const QString& family : {QStringLiteral("DejaVu Sans"), QStringLiteral("Nimbus Sans")}) {
        QStringList lines;
        for (const auto& [text, kind] : form) {
            lines << text;
        }
        QList<QRect> drawn;
        const QImage page = test::textPage(lines, 13, &drawn, family);
        QString error;
        const QList<DetectedPII> found = PIIDetector::scan(
            PIIDetector::linesOf(recognizer.recognize(page, &error).value_or(QList<RecognizedTextLine>{})),
            page.size(), &tagger);
        for (int i = 0; i < lines.size(); ++i) {
            const QRect value = drawn[i].adjusted(drawn[i].width() / 3, 0, 0, 0); // right of the label
            EXPECT_TRUE(std::any_of(found.begin(), found.end(),
                                    [&](const DetectedPII& d) {
                                        return d.kind == form[i].second && d.boundingBox.intersects(value);
                                    }))
                << family.toStdString() << ": " << lines[i].toStdString() << " read as "
                << readLines(recognizer, page).join(" | ").toStdString();
        }
        EXPECT_EQ(found.size(), lines.size()) << family.toStdString();
        const QImage clean =
            test::textPage({QStringLiteral("Display brightness 80%"), QStringLiteral("Check for updates"),
                            QStringLiteral("Version 2.4.1 (build 3120)")},
                           13, nullptr, family);
        EXPECT_TRUE(PIIDetector::scan(PIIDetector::linesOf(*recognizer.recognize(clean, &error)),
                                      clean.size(), &tagger)
                        .isEmpty());
    }
}

// Chinese lines on an English page are read again with every installed language.
TEST(TesseractRecognizerTest, ReadsChineseLinesWhenTheirLanguageDataIsInstalled) {
    const QString languages = TesseractRecognizer::installedLanguages();
    if (!languages.contains(QLatin1String("chi_sim")) || !languages.contains(QLatin1String("chi_tra"))) {
        GTEST_SKIP() << "tesseract-ocr-chi-sim and -chi-tra are not installed";
    }
    const QStringList lines{QStringLiteral("Save changes before closing?"),
                            QStringLiteral("关闭前保存更改"),
                            QStringLiteral("Show hidden files"),
                            QStringLiteral("自动检查更新"),
                            QStringLiteral("Sort by date modified"),
                            QStringLiteral("檔案無法開啟"),
                            QStringLiteral("Use the dark appearance"),
                            QStringLiteral("鍵盤快速鍵")};
    const QImage page = test::textPage(lines, 14, nullptr, QStringLiteral("DejaVu Sans"), {1, 3, 5, 7});
    TesseractRecognizer englishOnly(QStringLiteral("eng")), mixed(languages);
    const auto chineseRead = [&](TesseractRecognizer& recognizer) {
        const QString text = readLines(recognizer, page).join(QString()).remove(QLatin1Char(' '));
        return std::count_if(lines.begin(), lines.end(), [&](const QString& l) {
            return text.contains(QString(l).remove(QLatin1Char(' ')));
        });
    };
    EXPECT_GE(chineseRead(mixed), 7);
    EXPECT_LE(chineseRead(englishOnly), 4); // the English lines only
}

} // namespace
} // namespace mebo::platform
