#include "document/RectLayer.h"
#include "support/Files.h"
#include "support/Process.h"

#include "document/MeboDocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

using namespace mebo;

namespace {

// A 40x30 white base with a red rectangle outline, an unknown record and a blur record.
QString writeProject(const QTemporaryDir& dir) {
    QImage base(40, 30, QImage::Format_RGB32);
    base.fill(Qt::white);
    auto rect = std::make_shared<RectLayer>();
    rect->rect = QRectF(10, 10, 20, 10);
    rect->color = QColor(255, 0, 0);
    rect->strokeWidth = 2;
    MeboDocument doc = MeboDocument::fromContent(MeboDocument::encodeBaseImage(base), QRectF(5, 5, 30, 20),
                                                 std::nullopt, {rect});
    doc.layers.append(AnyCodableLayer{QStringLiteral("hologram"), "{}"});
    doc.layers.append(AnyCodableLayer{QStringLiteral("blur"), R"({"rect":[[0,0],[4,4]],"radius":3})"});
    const QString path = dir.filePath(QStringLiteral("shot.mebo"));
    doc.writeFile(path);
    return path;
}

} // namespace

TEST(DocCommandTest, ResaveAndCheck) {
    QTemporaryDir dir;
    const QString path = writeProject(dir);
    // What a render draws is the walkthrough's comparison with the editor's Save As.
    const QString copy = dir.filePath(QStringLiteral("copy.mebo"));
    const auto resave = test::runMebo({"doc", "resave", path, copy});
    ASSERT_EQ(resave.exitCode, 0) << resave.err.toStdString();
    ASSERT_EQ(MeboDocument::readFile(copy).layers.size(), 2); // the unknown record is gone

    const auto ok = test::runMebo({"doc", "check", path});
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();

    const QString newer = dir.filePath(QStringLiteral("newer.mebo"));
    test::writeBytes(newer,
                     QByteArray(test::fileBytes(path)).replace("\"schemaVersion\":1", "\"schemaVersion\":3"));
    const auto failed = test::runMebo({"doc", "check", newer});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(
        failed.err.split(QLatin1Char('\n')).last(),
        QStringLiteral("mebo: %1: Project schema version 3 is newer than this version of Mebo.").arg(newer));

    const QString badLayer = dir.filePath(QStringLiteral("bad-layer.mebo"));
    MeboDocument doc = MeboDocument::readFile(path);
    doc.layers.append(
        AnyCodableLayer{QStringLiteral("eraserStroke"), R"({"points":[[0,0]],"width":"wide"})"});
    doc.writeFile(badLayer);
    const auto layerFail =
        test::runMebo({"doc", "render", badLayer, dir.filePath(QStringLiteral("never.png"))});
    EXPECT_EQ(layerFail.exitCode, 1);
    EXPECT_TRUE(
        layerFail.err.endsWith(QStringLiteral("layer 3 (\"eraserStroke\"): key 'width' is not a number")))
        << layerFail.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("never.png"))));

    const auto missing = test::runMebo({"doc", "check", dir.filePath(QStringLiteral("absent.mebo"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("cannot read")));
}

TEST(DocCommandTest, UsageErrors) {
    EXPECT_EQ(test::runMebo({"doc"}).exitCode, 2);
    EXPECT_EQ(test::runMebo({"doc", "explode", "x.mebo"}).exitCode, 2);
    EXPECT_EQ(test::runMebo({"doc", "render", "x.mebo"}).exitCode, 2);
    EXPECT_EQ(test::runMebo({"doc", "check", "x.mebo", "--json"}).exitCode, 2);
    EXPECT_EQ(test::runMebo({"doc", "info", "x.mebo", "--frobnicate"}).exitCode, 2);
    const auto help = test::runMebo({"doc", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: mebo doc info FILE.mebo [--json]")));
    EXPECT_TRUE(test::runMebo({"--help"}).out.contains(QStringLiteral("doc info|render|resave|check")));
}
