#include "document/MeboDocument.h"
#include "support/Drawing.h"
#include "support/Process.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo {
namespace {

QString writeTextImage(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("text.png"));
    EXPECT_TRUE(
        test::textPage(
            {QStringLiteral("Meeting notes for Friday"), QStringLiteral("Call +1 415 555 0132 today")}, 14)
            .save(path));
    return path;
}

const QStringList kForm{QStringLiteral("Contact: Laura Bennett"),
                        QStringLiteral("E-mail: laura.bennett@example.com"),
                        QStringLiteral("Phone: (415) 555-0132"), QStringLiteral("SSN: 078-05-1120"),
                        QStringLiteral("Account: 4111111111111112")};

// An item's "box": pixels for the redact command, the unit square for ocr.
QRectF boxOf(const QJsonValue& item) {
    const QJsonObject b = item.toObject().value(QStringLiteral("box")).toObject();
    return QRectF(b.value(QStringLiteral("x")).toDouble(), b.value(QStringLiteral("y")).toDouble(),
                  b.value(QStringLiteral("width")).toDouble(), b.value(QStringLiteral("height")).toDouble());
}

TEST(OcrCommandTest, PrintsTheTextOrItsBlocksAsJson) {
    QTemporaryDir dir;
    const QString image = writeTextImage(dir);
    const test::ProgramRun plain = test::runMebo({QStringLiteral("ocr"), image});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(plain.out, QStringLiteral("Meeting notes for Friday\nCall +1 415 555 0132 today"));

    const test::ProgramRun json = test::runMebo({QStringLiteral("ocr"), image, QStringLiteral("--json")});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject obj = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(obj.value(QStringLiteral("text")).toString(), plain.out);
    const QJsonArray blocks = obj.value(QStringLiteral("blocks")).toArray();
    ASSERT_EQ(blocks.size(), 2);
    const QRectF top = boxOf(blocks[0]);
    // Unit square, origin bottom-left: the first line is higher, so its y is larger.
    EXPECT_GT(top.y(), boxOf(blocks[1]).y());
    EXPECT_GT(top.width(), 0.15);
    EXPECT_LT(top.right(), 1.0);
}

TEST(RedactCommandTest, CoversEveryItemAndWritesTheProjectBesideThePng) {
    QTemporaryDir dir;
    const QImage page = test::textPage(kForm, 14);
    const QString input = dir.filePath(QStringLiteral("form.png"));
    ASSERT_TRUE(page.save(input));

    const test::ProgramRun run = test::runMebo({QStringLiteral("redact"), input, QStringLiteral("--json")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject answer = QJsonDocument::fromJson(run.out.toUtf8()).object();
    const QJsonArray items = answer.value(QStringLiteral("items")).toArray();
    EXPECT_EQ(answer.value(QStringLiteral("text")).toString(),
              QStringLiteral("Found %1 sensitive items.").arg(items.size()));
    // Which kinds are found on such a form is the recogniser's test; here, one item of each line,
    // and the review list's mask, never the address.
    EXPECT_GE(items.size(), kForm.size());
    static const QRegularExpression emailMask(QStringLiteral(R"(^.\*\*\*@\*\*\*\*(\.\w+)?$)"));
    for (const QJsonValue& item : items) {
        if (item.toObject().value(QStringLiteral("kind")).toString() == QLatin1String("email")) {
            EXPECT_TRUE(emailMask.match(item.toObject().value(QStringLiteral("text")).toString()).hasMatch());
        }
    }

    // The default names, beside the input.
    const QString output = dir.filePath(QStringLiteral("form-redacted.png"));
    const QString project = dir.filePath(QStringLiteral("form-redacted.mebo"));
    EXPECT_EQ(answer.value(QStringLiteral("output")).toString(), output);
    EXPECT_EQ(answer.value(QStringLiteral("project")).toString(), project);
    const QImage redacted(output);
    ASSERT_EQ(redacted.size(), page.size());
    // Every item's pixels changed; the labels, left of every item, did not.
    const QImage original = page.convertToFormat(redacted.format());
    for (const QJsonValue& item : items) {
        const QRect box = boxOf(item).toRect();
        EXPECT_NE(redacted.copy(box), original.copy(box))
            << item.toObject().value("kind").toString().toStdString();
    }
    EXPECT_EQ(redacted.copy(0, 0, 60, page.height()), original.copy(0, 0, 60, page.height()));

    // The project renders to the same picture, and keeps the original under the covers.
    const QString rendered = dir.filePath(QStringLiteral("rendered.png"));
    const test::ProgramRun render =
        test::runMebo({QStringLiteral("doc"), QStringLiteral("render"), project, rendered});
    ASSERT_EQ(render.exitCode, 0) << render.err.toStdString();
    EXPECT_EQ(QImage(rendered).convertToFormat(QImage::Format_ARGB32),
              redacted.convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(MeboDocument::readFile(project).layers.size(), items.size());
}

TEST(RedactCommandTest, SolidCoversAreBlackAndNothingFoundStillWritesTheImage) {
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("web.png"));
    ASSERT_TRUE(test::textPage(kForm, 15).save(input));
    const QString output = dir.filePath(QStringLiteral("out/solid.png"));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("out")));
    const test::ProgramRun run =
        test::runMebo({QStringLiteral("redact"), input, QStringLiteral("-o"), output,
                       QStringLiteral("--style"), QStringLiteral("solid"), QStringLiteral("--json")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray items =
        QJsonDocument::fromJson(run.out.toUtf8()).object().value(QStringLiteral("items")).toArray();
    ASSERT_EQ(items.size(), kForm.size());
    const QImage redacted(output);
    for (const QJsonValue& item : items) {
        EXPECT_EQ(redacted.pixelColor(boxOf(item).toRect().center()), QColor(Qt::black));
    }
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("out/solid.mebo"))));

    // A page without personal data: the message, and the image written unchanged.
    const QImage clean =
        test::textPage({QStringLiteral("Display brightness 80%"), QStringLiteral("Check for updates")}, 15);
    ASSERT_TRUE(clean.save(input));
    const test::ProgramRun none = test::runMebo({QStringLiteral("redact"), input});
    ASSERT_EQ(none.exitCode, 0) << none.err.toStdString();
    EXPECT_TRUE(none.out.startsWith(QStringLiteral("No sensitive text was found.")))
        << none.out.toStdString();
    EXPECT_EQ(QImage(dir.filePath(QStringLiteral("web-redacted.png"))).convertToFormat(QImage::Format_RGB32),
              clean.convertToFormat(QImage::Format_RGB32));
}

// Both commands read their input through one image loader.
TEST(TextCommandsTest, BadInputGivesAClearMessage) {
    QTemporaryDir dir;
    const test::ProgramRun missing =
        test::runMebo({QStringLiteral("ocr"), dir.filePath(QStringLiteral("none.png"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("cannot read the image"))) << missing.err.toStdString();

    // A blank image: no text, success.
    const QString blank = dir.filePath(QStringLiteral("blank.png"));
    ASSERT_TRUE(test::canvas(200, 80, Qt::white).save(blank));
    const test::ProgramRun empty = test::runMebo({QStringLiteral("ocr"), blank});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_TRUE(empty.out.isEmpty());

    // Over 50 megapixels is refused from the header, before decoding.
    QImage huge(8000, 7000, QImage::Format_Grayscale8);
    huge.fill(255);
    ASSERT_TRUE(huge.save(dir.filePath(QStringLiteral("huge.png"))));
    const test::ProgramRun big =
        test::runMebo({QStringLiteral("ocr"), dir.filePath(QStringLiteral("huge.png"))});
    EXPECT_EQ(big.exitCode, 1);
    EXPECT_TRUE(big.err.contains(QStringLiteral("image too large for text recognition (8000×7000")))
        << big.err.toStdString();
    EXPECT_EQ(test::runMebo({QStringLiteral("ocr")}).exitCode, 2);

    const test::ProgramRun style =
        test::runMebo({QStringLiteral("redact"), blank, QStringLiteral("--style"), QStringLiteral("blur")});
    EXPECT_EQ(style.exitCode, 2);
    EXPECT_TRUE(style.err.contains(QStringLiteral("unknown style 'blur'"))) << style.err.toStdString();
    // An output folder that does not exist: the reason, and nothing else written.
    const test::ProgramRun nowhere = test::runMebo({QStringLiteral("redact"), blank, QStringLiteral("-o"),
                                                    dir.filePath(QStringLiteral("missing/out.png"))});
    EXPECT_EQ(nowhere.exitCode, 1);
    EXPECT_FALSE(nowhere.err.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("missing"))));
}

} // namespace
} // namespace mebo
