#include "support/Drawing.h"
#include "support/Process.h"

#include "TestPaths.h"
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo {
namespace {

test::ProgramRun runMebo(const QStringList& args) {
    return test::runWithoutDisplay(QStringLiteral(MEBO_BINARY), args);
}

QString writeTextImage(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("text.png"));
    EXPECT_TRUE(
        test::textPage(
            {QStringLiteral("Meeting notes for Friday"), QStringLiteral("Call +1 415 555 0132 today")}, 14)
            .save(path));
    return path;
}

TEST(OcrCommandTest, PrintsTheTextOrItsBlocksAsJson) {
    QTemporaryDir dir;
    const QString image = writeTextImage(dir);
    const test::ProgramRun plain = runMebo({QStringLiteral("ocr"), image});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(plain.out, QStringLiteral("Meeting notes for Friday\nCall +1 415 555 0132 today"));

    const test::ProgramRun json = runMebo({QStringLiteral("ocr"), image, QStringLiteral("--json")});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject obj = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(obj.value(QStringLiteral("text")).toString(), plain.out);
    const QJsonArray blocks = obj.value(QStringLiteral("blocks")).toArray();
    ASSERT_EQ(blocks.size(), 2);
    const QJsonObject top = blocks[0].toObject().value(QStringLiteral("box")).toObject();
    const QJsonObject bottom = blocks[1].toObject().value(QStringLiteral("box")).toObject();
    // Unit square, origin bottom-left: the first line is higher, so its y is larger.
    EXPECT_GT(top.value(QStringLiteral("y")).toDouble(), bottom.value(QStringLiteral("y")).toDouble());
    EXPECT_GT(top.value(QStringLiteral("width")).toDouble(), 0.15);
    EXPECT_LT(top.value(QStringLiteral("x")).toDouble() + top.value(QStringLiteral("width")).toDouble(), 1.0);
}

TEST(OcrCommandTest, BadInputGivesAClearMessage) {
    QTemporaryDir dir;
    const test::ProgramRun missing =
        runMebo({QStringLiteral("ocr"), dir.filePath(QStringLiteral("none.png"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("cannot read the image"))) << missing.err.toStdString();

    // A blank image: no text, success.
    QImage blank(200, 80, QImage::Format_RGB32);
    blank.fill(Qt::white);
    blank.save(dir.filePath(QStringLiteral("blank.png")));
    const test::ProgramRun empty =
        runMebo({QStringLiteral("ocr"), dir.filePath(QStringLiteral("blank.png"))});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_TRUE(empty.out.isEmpty());

    // Over 50 megapixels is refused from the header, before decoding.
    QImage huge(8000, 7000, QImage::Format_Grayscale8);
    huge.fill(255);
    ASSERT_TRUE(huge.save(dir.filePath(QStringLiteral("huge.png"))));
    const test::ProgramRun big = runMebo({QStringLiteral("ocr"), dir.filePath(QStringLiteral("huge.png"))});
    EXPECT_EQ(big.exitCode, 1);
    EXPECT_TRUE(big.err.contains(QStringLiteral("image too large for text recognition (8000×7000")))
        << big.err.toStdString();

    EXPECT_EQ(runMebo({QStringLiteral("ocr")}).exitCode, 2);
}

} // namespace
} // namespace mebo
