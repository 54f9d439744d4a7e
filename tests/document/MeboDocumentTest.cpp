#include "document/MeboDocument.h"
#include "document/DocumentFileError.h"
#include "document/EraserStrokeLayer.h"
#include "document/JsonDecodeError.h"
#include "document/JsonEncodeError.h"
#include "document/MeboDocumentError.h"
#include "document/PngBytes.h"
#include "support/Drawing.h"
#include "support/Files.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mebo;

namespace {

QByteArray basePng() {
    return PngBytes::encode(test::sampleImage(32, 24));
}

// A hand-written document; `extra` is spliced in before the closing brace.
QByteArray documentJson(const QString& extra, bool withBase = true) {
    QString text = QStringLiteral(R"({"canvasRect":[[0,0],[32,24]])");
    if (withBase) {
        text += QStringLiteral(R"(,"baseImagePNG":"%1")").arg(QString::fromLatin1(basePng().toBase64()));
    }
    return (text + extra + QLatin1Char('}')).toUtf8();
}

QString layerRecord(const QString& type, const QByteArray& payload) {
    return QStringLiteral(R"({"type":"%1","data":"%2"})").arg(type, QString::fromLatin1(payload.toBase64()));
}

// The MeboDocumentError `fn` throws (or a test failure).
template <typename Fn> std::optional<MeboDocumentError> documentError(Fn fn) {
    try {
        fn();
    } catch (const MeboDocumentError& e) {
        return e;
    }
    ADD_FAILURE() << "no MeboDocumentError";
    return std::nullopt;
}

} // namespace

TEST(MeboDocumentTest, ProjectFileReadsAndWritesBackByteForByte) {
    const QByteArray bytes = test::fileBytes(test::sampleProjectPath());
    const MeboDocument doc = MeboDocument::readFile(test::sampleProjectPath());
    EXPECT_EQ(doc.toJson(), bytes);

    const ProjectContent content = doc.content();
    EXPECT_TRUE(content.skippedTypes.isEmpty());
    for (const LayerPtr& layer : content.layers) {
        EXPECT_FALSE(layer->isLocked) << layer->className();
        layer->isLocked = true; // not part of the file
    }
    // Decoded and written again, every class of layer is byte-identical, through a file too.
    const MeboDocument again = MeboDocument::fromContent(doc.baseImagePNG, content.canvasRect,
                                                         content.saveTargetPath, content.layers);
    EXPECT_EQ(again.toJson(), bytes);
    QTemporaryDir dir;
    again.writeFile(dir.filePath(QStringLiteral("copy.mebo")));
    EXPECT_EQ(test::fileBytes(dir.filePath(QStringLiteral("copy.mebo"))), bytes);
}

TEST(MeboDocumentTest, VersionRule) {
    EXPECT_EQ(MeboDocument::fromJson(documentJson(R"(,"version":1)")).schemaVersion, 1);
    EXPECT_EQ(MeboDocument::fromJson(documentJson(R"(,"schemaVersion":1,"version":7)")).version, 1);
    auto newer =
        documentError([] { MeboDocument::fromJson(documentJson(R"(,"schemaVersion":2,"version":1)")); });
    ASSERT_TRUE(newer);
    EXPECT_EQ(newer->kind(), MeboDocumentError::Kind::unsupportedVersion);
    EXPECT_EQ(newer->description(),
              QStringLiteral("Project schema version 2 is newer than this version of Mebo."));

    const std::pair<const char*, const char*> cases[] = {
        {R"(,"schemaVersion":0)", "invalid version"},
        {R"(,"version":-3)", "invalid version"},
        {"", "missing version"},
        {R"(,"schemaVersion":null)", "missing version"},
        {R"(,"schemaVersion":"1")", "key 'schemaVersion' is not an integer"},
        {R"(,"schemaVersion":1.5)", "key 'schemaVersion' is not an integer"},
        {R"(,"version":true)", "key 'version' is not an integer"}};
    for (const auto& [extra, text] : cases) {
        auto e = documentError([&] { MeboDocument::fromJson(documentJson(QString::fromLatin1(extra))); });
        ASSERT_TRUE(e) << extra;
        EXPECT_EQ(e->kind(), MeboDocumentError::Kind::decodeFailed) << extra;
        EXPECT_EQ(e->description(),
                  QStringLiteral("Project file could not be decoded: ") + QLatin1String(text));
    }
}

TEST(MeboDocumentTest, OptionalKeysAndUnknownLayers) {
    const MeboDocument bare = MeboDocument::fromJson(documentJson(R"(,"version":1)"));
    EXPECT_TRUE(bare.layers.isEmpty());
    EXPECT_FALSE(bare.saveTargetPath);
    EXPECT_FALSE(QJsonDocument::fromJson(bare.toJson()).object().contains("saveTargetPath"));

    // Layers keep their order; unknown ones vanish from it and are named (and logged: the codec's).
    test::LogCapture quiet;
    const MeboDocument mixed = MeboDocument::fromJson(documentJson(
        QStringLiteral(R"(,"version":1,"layers":[%1,%2,%3])")
            .arg(layerRecord("blur", R"({"rect":[[0,0],[4,4]],"radius":2})"), layerRecord("sparkle", "{}"),
                 layerRecord("eraserStroke", R"({"points":[[1,1],[5,5]],"width":4})"))));
    ASSERT_EQ(mixed.layers.size(), 3);
    const ProjectContent content = mixed.content();
    ASSERT_EQ(content.layers.size(), 2);
    EXPECT_STREQ(content.layers[0]->className(), "MosaicLayer");
    EXPECT_STREQ(content.layers[1]->className(), "EraserStrokeLayer");
    EXPECT_EQ(content.skippedTypes, QStringList{"sparkle"});
}

TEST(MeboDocumentTest, BadInputFailsAsAWhole) {
    const std::pair<QByteArray, const char*> cases[] = {
        {documentJson(R"(,"version":1)", false), "missing key 'baseImagePNG'"},
        {documentJson(R"(,"version":1,"baseImagePNG":"%%%")", false),
         "key 'baseImagePNG' is not a Base64 string"},
        {documentJson(R"(,"version":1,"baseImagePNG":5)", false),
         "key 'baseImagePNG' is not a Base64 string"},
        {R"({"version":1,"baseImagePNG":""})", "missing key 'canvasRect'"},
        {R"({"version":1,"baseImagePNG":"","canvasRect":[[0,0],["5",5]]})",
         "key 'canvasRect[1][0]' is not a number"},
        {documentJson(R"(,"version":1,"saveTargetPath":42)"), "key 'saveTargetPath' is not a string"},
        {documentJson(R"(,"version":1,"layers":{})"), "key 'layers' is not an array"},
        {documentJson(R"(,"version":1,"layers":[7])"), "key 'layers[0]' is not an object"},
        {documentJson(R"(,"version":1,"layers":[{"type":"arrow"}])"), "missing key 'layers[0].data'"},
        {documentJson(R"(,"version":1,"layers":[{"type":"arrow","data":"*"}])"),
         "key 'layers[0].data' is not a Base64 string"},
        {documentJson(R"(,"version":1,"layers":[{"type":1,"data":""}])"),
         "key 'layers[0].type' is not a string"}};
    for (const auto& [json, text] : cases) {
        auto e = documentError([&] { MeboDocument::fromJson(json); });
        ASSERT_TRUE(e) << json.left(80).constData();
        EXPECT_EQ(e->kind(), MeboDocumentError::Kind::decodeFailed);
        EXPECT_EQ(e->text(), QString::fromLatin1(text)) << json.left(80).constData();
    }
    const QByteArray whole = documentJson(R"(,"version":1)");
    for (const QByteArray& junk : {whole.left(whole.size() - 1), QByteArray(), QByteArray("[]"),
                                   QByteArray("\xff\xfe{}"), QByteArray("{\"version\":1,}")}) {
        auto e = documentError([&] { MeboDocument::fromJson(junk); });
        ASSERT_TRUE(e);
        EXPECT_EQ(e->kind(), MeboDocumentError::Kind::decodeFailed);
    }

    // A base image that is valid Base64 but not a PNG.
    const MeboDocument notPng =
        MeboDocument::fromJson(QByteArray(R"({"version":1,"canvasRect":[[0,0],[1,1]],"baseImagePNG":")") +
                               QByteArray("GIF89a").toBase64() + "\"}");
    auto missing = documentError([&] { notPng.content(); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->kind(), MeboDocumentError::Kind::missingBaseImage);
    EXPECT_EQ(missing->description(), QStringLiteral("Project file is missing its base image."));
    auto unencodable = documentError([] { MeboDocument::encodeBaseImage(QImage()); });
    ASSERT_TRUE(unencodable);
    EXPECT_EQ(unencodable->text(), QStringLiteral("PNG encode failed"));

    // A layer payload error is passed on unchanged, not wrapped.
    const MeboDocument badLayer =
        MeboDocument::fromJson(documentJson(QStringLiteral(R"(,"version":1,"layers":[%1])")
                                                .arg(layerRecord("eraserStroke", R"({"points":[]})"))));
    try {
        badLayer.content();
        ADD_FAILURE() << "a payload without its width loaded";
    } catch (const JsonDecodeError& e) {
        EXPECT_EQ(e.description(), QStringLiteral("missing key 'width'"));
    }
}

TEST(MeboDocumentTest, WritingIsAtomicAndLeavesOutWhatCannotBeWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.mebo"));
    const MeboDocument sample = MeboDocument::readFile(test::sampleProjectPath());
    sample.writeFile(path);
    const QByteArray before = test::fileBytes(path);

    // A document that cannot be encoded leaves the file as it was; so does a folder we may not
    // write into (skipped as root, who may).
    MeboDocument broken = sample;
    broken.canvasRect = QRectF(0, 0, qQNaN(), 1);
    EXPECT_THROW(broken.writeFile(path), JsonEncodeError);
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0500), 0);
        EXPECT_THROW(sample.writeFile(path), DocumentFileError);
        chmod(QFile::encodeName(dir.path()).constData(), 0700);
    }
    EXPECT_EQ(test::fileBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.mebo"});
    EXPECT_THROW(sample.writeFile(dir.filePath(QStringLiteral("no/such/folder/x.mebo"))), DocumentFileError);
    EXPECT_THROW(MeboDocument::readFile(dir.filePath(QStringLiteral("absent.mebo"))), DocumentFileError);

    // A layer that cannot be encoded is left out with its reason logged.
    test::LogCapture log;
    auto good = std::make_shared<EraserStrokeLayer>();
    good->points = {{0, 0}, {1, 1}};
    auto bad = std::make_shared<EraserStrokeLayer>();
    bad->width = qInf();
    const MeboDocument doc =
        MeboDocument::fromContent(basePng(), QRectF(0, 0, 32, 24), std::nullopt, {bad, good});
    ASSERT_EQ(doc.layers.size(), 1);
    EXPECT_EQ(doc.layers[0].type, QStringLiteral("eraserStroke"));
    EXPECT_TRUE(log.contains(QStringLiteral(
        "[LayerCodec] encode failed for EraserStrokeLayer: key 'width' is not a finite number")));
}
