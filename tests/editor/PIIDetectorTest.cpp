#include "editor/PIIDetector.h"
#include "platform/NameTagger.h"
#include "support/Fakes.h"
#include "support/TestUtil.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace mebo {
namespace {

using Kind = DetectedPII::Kind;

// A line whose every character range has a box: character i of n spans [i/n, (i+1)/n) across,
// on a band 0.1 high at the given height (origin bottom-left).
RecognizedLine line(const QString& text, double bandY = 0.5) {
    RecognizedLine l;
    l.text = text;
    const double n = std::max<qsizetype>(1, text.size());
    l.boxForRange = [n, bandY](int start, int length) {
        return std::optional<QRectF>(QRectF(start / n, bandY, length / n, 0.1));
    };
    return l;
}

// Tags every capitalised word as a name.
class CapitalisedNames : public platform::NameTagger {
public:
    QList<Range> personalNames(const QString& text) const override {
        QList<Range> out;
        static const QRegularExpression word(QStringLiteral("\\b[A-Z][\\w]*"));
        for (auto it = word.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            out.append({int(m.capturedStart()), int(m.capturedLength())});
        }
        return out;
    }
};

QList<Kind> kinds(const QList<DetectedPII>& items) {
    QList<Kind> out;
    for (const DetectedPII& i : items) {
        out << i.kind;
    }
    return out;
}

TEST(PIIDetectorTest, CardsAndAccountsAreToldApartByLuhnAndIdNumbersByTheirCheckCharacter) {
    const QSize size(1000, 500);
    auto found = PIIDetector::scan({line(QStringLiteral("card 4111 1111 1111 1111 ok"))}, size, nullptr);
    ASSERT_EQ(kinds(found), QList<Kind>{Kind::creditCard});
    EXPECT_EQ(found[0].maskedDisplayText, QStringLiteral("**** 1111"));
    EXPECT_FLOAT_EQ(found[0].confidence, 0.92F);

    found = PIIDetector::scan({line(QStringLiteral("acct 4111111111111112"))}, size, nullptr);
    ASSERT_EQ(kinds(found), QList<Kind>{Kind::bankAccount});
    EXPECT_EQ(found[0].maskedDisplayText, QStringLiteral("**** 1112"));

    EXPECT_TRUE(PIIDetector::isValidIdCard(QStringLiteral("11010519491231002x")));
    found = PIIDetector::scan({line(QStringLiteral("ID 11010519491231002X."))}, size, nullptr);
    ASSERT_EQ(kinds(found), QList<Kind>{Kind::idCard});
    EXPECT_EQ(found[0].maskedDisplayText, QStringLiteral("11***2X"));

    // A wrong check character: not an ID; 18 digits failing Luhn make a bank account.
    EXPECT_FALSE(PIIDetector::isValidIdCard(QStringLiteral("110105194912310021")));
    found = PIIDetector::scan({line(QStringLiteral("ID 110105194912310021"))}, size, nullptr);
    EXPECT_EQ(kinds(found), QList<Kind>{Kind::bankAccount});
    EXPECT_FALSE(PIIDetector::isValidIdCard(QStringLiteral("1101051949123100A1X")));
}

TEST(PIIDetectorTest, EarlierKindsClaimTheirRangesAndEachKindHasItsMask) {
    CapitalisedNames tagger;
    const QList<RecognizedLine> lines{
        line(QStringLiteral("Mail john.doe2024555@example.co.uk or call +1 (415) 555-0132")),
        line(QStringLiteral("ssn 078-05-1120 for Alice and Bo, Carl9 too"), 0.2)};
    const auto found = PIIDetector::scan(lines, QSize(800, 600), &tagger);
    // The address's digits are not a phone number; "Mail" is a name here only by the fake tagger.
    ASSERT_EQ(kinds(found), (QList<Kind>{Kind::email, Kind::phone, Kind::name, Kind::ssn, Kind::name}));
    EXPECT_EQ(found[0].maskedDisplayText, QStringLiteral("j***@****.uk"));
    EXPECT_EQ(found[1].maskedDisplayText, QStringLiteral("**** 0132"));
    EXPECT_EQ(found[2].maskedDisplayText, QStringLiteral("M***"));
    EXPECT_EQ(found[3].maskedDisplayText, QStringLiteral("**** 1120"));
    EXPECT_EQ(found[4].maskedDisplayText, QStringLiteral("A***")); // "Bo" is too short, "Carl9" not letters
    EXPECT_FLOAT_EQ(found[4].confidence, 0.56F);
    EXPECT_NE(found[0].id, found[1].id);

    EXPECT_EQ(PIIDetector::maskedText(Kind::email, QStringLiteral("@localhost")),
              QStringLiteral("****@****"));
    EXPECT_EQ(PIIDetector::maskedText(Kind::phone, QStringLiteral("--")), QStringLiteral("****"));
    EXPECT_EQ(PIIDetector::maskedText(Kind::bankAccount, QStringLiteral("12")), QStringLiteral("**** 12"));
}

TEST(PIIDetectorTest, BoxesAreGrownRoundedOutwardAndClippedOrTheMatchIsSkipped) {
    // Normalised (x 0.1..0.4, y 0.2..0.3 from the bottom) on 1000 x 500.
    EXPECT_EQ(PIIDetector::pixelBox(QRectF(0.1, 0.2, 0.3, 0.1), QSize(1000, 500)), QRect(96, 347, 308, 56));
    EXPECT_EQ(PIIDetector::pixelBox(QRectF(0.1001, 0.2, 0.3, 0.1), QSize(1000, 500)).left(), 96);
    // At the top-left corner the growth is clipped to the image.
    EXPECT_EQ(PIIDetector::pixelBox(QRectF(0.0, 0.9, 0.2, 0.1), QSize(100, 100)), QRect(0, 0, 24, 13));
    // Entirely outside: a zero rectangle.
    EXPECT_EQ(PIIDetector::pixelBox(QRectF(2.0, 2.0, 0.1, 0.1), QSize(100, 100)), QRect(0, 0, 0, 0));

    // A range the recogniser cannot box is skipped, but stays claimed for later kinds.
    RecognizedLine l = line(QStringLiteral("call 4111111111111111"));
    l.boxForRange = [](int, int) { return std::optional<QRectF>(); };
    EXPECT_TRUE(PIIDetector::scan({l}, QSize(100, 100), nullptr).isEmpty());
}

TEST(PIIDetectorTest, DetectRecognisesOffTheMainThreadAndScansInReadingOrder) {
    auto recognizer = std::make_shared<test::ScriptedRecognizer>();
    // The engine's order is not the reading order: the SSN line is lower on the page.
    recognizer->lines = {test::recognisedLine(QStringLiteral("ssn 078-05-1120"), QRectF(0.1, 0.2, 0.4, 0.05)),
                         test::recognisedLine(QStringLiteral("mail a@b.io"), QRectF(0.1, 0.8, 0.4, 0.05))};
    const PIIDetector detector(recognizer, nullptr);
    std::optional<std::optional<QList<DetectedPII>>> answer;
    int answers = 0;
    detector.detect(QImage(200, 100, QImage::Format_RGB32), [&](std::optional<QList<DetectedPII>> found) {
        EXPECT_EQ(QThread::currentThread(), qApp->thread());
        answer = std::move(found);
        ++answers;
    });
    ASSERT_TRUE(test::waitUntil([&] { return answer.has_value(); }));
    EXPECT_FALSE(recognizer->onMainThread);
    ASSERT_TRUE(answer->has_value());
    ASSERT_EQ(kinds(**answer), (QList<Kind>{Kind::email, Kind::ssn}));
    // "a@b.io" is characters 5..10 of 11 over x 0.1..0.5: the box of that range, not the line's.
    // x 56.4..100 and y 15..20 in pixels, grown by 4 and 3 and rounded outward.
    const QRect box = (**answer)[0].boundingBox;
    EXPECT_EQ(box.left(), 52);
    EXPECT_NEAR(box.right(), 103.5, 1.0);
    EXPECT_NEAR(box.top(), 11.5, 1.0);
    EXPECT_NEAR(box.bottom(), 22.5, 1.0);
    test::drainEvents();
    EXPECT_EQ(answers, 1);
}

TEST(PIIDetectorTest, AScanThatCannotRunAnswersNothingAndLogsWhy) {
    test::LogCapture log;
    auto recognizer = std::make_shared<test::ScriptedRecognizer>();
    recognizer->fail = true;
    EXPECT_FALSE(PIIDetector(recognizer, nullptr).detectNow(QImage(8, 8, QImage::Format_RGB32)).has_value());
    EXPECT_TRUE(log.contains(QStringLiteral("[OCR] VNImageRequestHandler 失敗: engine exploded")));
    EXPECT_FALSE(PIIDetector(nullptr, nullptr).detectNow(QImage(8, 8, QImage::Format_RGB32)).has_value());
    // Nothing found is an answer, not a failure: the redact command's clean page.
}

} // namespace
} // namespace mebo
