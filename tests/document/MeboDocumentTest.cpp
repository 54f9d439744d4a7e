#include "CodecSamples.h"
#include "support/TestUtil.h"

#include "document/DocumentFileError.h"
#include "document/JsonDecodeError.h"
#include "document/JsonEncodeError.h"
#include "document/LayerCodec.h"
#include "document/MeboDocument.h"
#include "document/MeboDocumentError.h"
#include "document/PngBytes.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

using namespace mebo;

namespace {

QByteArray basePng() {
    static const QByteArray png = PngBytes::encode(test::sampleImage(32, 24));
    return png;
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

// Runs `fn` and answers the MeboDocumentError it throws (or fails the test).
template <typename Fn> std::optional<MeboDocumentError> documentError(Fn fn) {
    try {
        fn();
    } catch (const MeboDocumentError& e) {
        return e;
    }
    ADD_FAILURE() << "no MeboDocumentError";
    return std::nullopt;
}

MeboDocument sampleDocument() {
    return MeboDocument::fromContent(basePng(), QRectF(2, 3, 28, 20),
                                     QStringLiteral("/home/u/Desktop/shot.png"),
                                     test::fullyPopulatedLayers());
}

} // namespace

TEST(MeboDocumentTest, WritesSortedCompactFilesThatReadBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shot.mebo"));
    const MeboDocument doc = sampleDocument();
    ASSERT_EQ(doc.layers.size(), 20);
    doc.writeFile(path);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("{\"baseImagePNG\":\"")) << bytes.left(40).constData();
    EXPECT_TRUE(bytes.endsWith(",\"version\":1}")) << bytes.right(40).constData();
    EXPECT_FALSE(bytes.contains('\n'));
    EXPECT_FALSE(bytes.contains("null"));
    const QJsonObject object = QJsonDocument::fromJson(bytes).object();
    EXPECT_EQ(object.keys(), (QStringList{"baseImagePNG", "canvasRect", "layers", "saveTargetPath",
                                          "schemaVersion", "version"}));
    EXPECT_EQ(object.value("schemaVersion").toInt(), 1);
    EXPECT_EQ(object.value("layers").toArray().at(0).toObject().keys(), (QStringList{"data", "type"}));

    const MeboDocument back = MeboDocument::readFile(path);
    EXPECT_EQ(back.schemaVersion, 1);
    EXPECT_EQ(back.version, 1);
    EXPECT_EQ(back.baseImagePNG, basePng());
    EXPECT_EQ(back.canvasRect, QRectF(2, 3, 28, 20));
    EXPECT_EQ(back.saveTargetPath, QStringLiteral("/home/u/Desktop/shot.png"));
    EXPECT_EQ(back.layers, doc.layers);
    // Writing the unchanged document again gives the same bytes.
    EXPECT_EQ(back.toJson(), bytes);

    const ProjectContent content = back.content();
    EXPECT_EQ(content.baseImage.size(), QSize(32, 24));
    EXPECT_EQ(content.layers.size(), 20);
    for (const LayerPtr& layer : content.layers) {
        EXPECT_FALSE(layer->isLocked);
    }
    // Decoded and written again, the project is byte-identical.
    const MeboDocument again = MeboDocument::fromContent(back.baseImagePNG, content.canvasRect,
                                                         content.saveTargetPath, content.layers);
    EXPECT_EQ(again.toJson(), bytes);
}

TEST(MeboDocumentTest, VersionRule) {
    EXPECT_EQ(MeboDocument::fromJson(documentJson(R"(,"version":1)")).schemaVersion, 1);
    const MeboDocument both = MeboDocument::fromJson(documentJson(R"(,"schemaVersion":1,"version":7)"));
    EXPECT_EQ(both.version, 1); // schemaVersion wins; both fields read back as 1

    auto newer =
        documentError([] { MeboDocument::fromJson(documentJson(R"(,"schemaVersion":2,"version":1)")); });
    ASSERT_TRUE(newer);
    EXPECT_EQ(newer->kind(), MeboDocumentError::Kind::unsupportedVersion);
    EXPECT_EQ(newer->version(), 2);
    EXPECT_EQ(newer->description(),
              QStringLiteral("Project schema version 2 is newer than this version of Mebo."));

    struct Case {
        const char* extra;
        const char* text;
    };
    for (const Case& c :
         {Case{R"(,"schemaVersion":0)", "invalid version"}, Case{R"(,"version":-3)", "invalid version"},
          Case{"", "missing version"}, Case{R"(,"schemaVersion":null)", "missing version"},
          Case{R"(,"schemaVersion":"1")", "key 'schemaVersion' is not an integer"},
          Case{R"(,"schemaVersion":1.5)", "key 'schemaVersion' is not an integer"},
          Case{R"(,"version":true)", "key 'version' is not an integer"}}) {
        auto e = documentError([&] { MeboDocument::fromJson(documentJson(QString::fromLatin1(c.extra))); });
        ASSERT_TRUE(e) << c.extra;
        EXPECT_EQ(e->kind(), MeboDocumentError::Kind::decodeFailed) << c.extra;
        EXPECT_EQ(e->text(), QString::fromLatin1(c.text));
        EXPECT_EQ(e->description(),
                  QStringLiteral("Project file could not be decoded: ") + QLatin1String(c.text));
    }
}

TEST(MeboDocumentTest, OptionalKeysAndUnknownLayers) {
    const MeboDocument bare = MeboDocument::fromJson(documentJson(R"(,"version":1)"));
    EXPECT_TRUE(bare.layers.isEmpty());
    EXPECT_FALSE(bare.saveTargetPath);
    EXPECT_TRUE(bare.content().layers.isEmpty());
    // Written back, the unset save target stays absent.
    EXPECT_FALSE(QJsonDocument::fromJson(bare.toJson()).object().contains("saveTargetPath"));

    test::LogCapture log;
    const MeboDocument odd = MeboDocument::fromJson(
        documentJson(QStringLiteral(R"(,"version":1,"layers":[%1])").arg(layerRecord("sparkle", "{}"))));
    ASSERT_EQ(odd.layers.size(), 1);
    const ProjectContent content = odd.content();
    EXPECT_TRUE(content.layers.isEmpty());
    EXPECT_EQ(content.skippedTypes, QStringList{"sparkle"});
    EXPECT_TRUE(log.contains(QStringLiteral("[LayerCodec] 未知 layer type: sparkle, 跳過")));

    // Layers keep their order; unknown ones simply vanish from it.
    const QByteArray eraser = R"({"points":[[1,1],[5,5]],"width":4})";
    const QByteArray blur = R"({"rect":[[0,0],[4,4]],"radius":2})";
    const MeboDocument mixed =
        MeboDocument::fromJson(documentJson(QStringLiteral(R"(,"version":1,"layers":[%1,%2,%3])")
                                                .arg(layerRecord("blur", blur), layerRecord("future", "{}"),
                                                     layerRecord("eraserStroke", eraser))));
    const LayerList layers = mixed.decodeLayers();
    ASSERT_EQ(layers.size(), 2);
    EXPECT_STREQ(layers[0]->className(), "MosaicLayer");
    EXPECT_STREQ(layers[1]->className(), "EraserStrokeLayer");
}

TEST(MeboDocumentTest, BadInputFailsAsAWhole) {
    struct Case {
        QByteArray json;
        QString text;
    };
    const QList<Case> cases{
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
         "key 'layers[0].type' is not a string"},
    };
    for (const Case& c : cases) {
        auto e = documentError([&] { MeboDocument::fromJson(c.json); });
        ASSERT_TRUE(e) << c.json.left(80).constData();
        EXPECT_EQ(e->kind(), MeboDocumentError::Kind::decodeFailed);
        EXPECT_EQ(e->text(), c.text) << c.json.left(80).constData();
    }
    const QByteArray whole = documentJson(R"(,"version":1)");
    for (const QByteArray& junk :
         {whole.left(whole.size() - 1), whole.left(20), QByteArray(), QByteArray("[]"),
          QByteArray("\xff\xfe{}"), QByteArray("{\"version\":1,}")}) {
        auto e = documentError([&] { MeboDocument::fromJson(junk); });
        ASSERT_TRUE(e);
        EXPECT_EQ(e->kind(), MeboDocumentError::Kind::decodeFailed);
    }

    // A base image that is valid Base64 but not a PNG.
    const MeboDocument notPng =
        MeboDocument::fromJson(QByteArray(R"({"version":1,"canvasRect":[[0,0],[1,1]],"baseImagePNG":")") +
                               QByteArray("GIF89a....").toBase64() + "\"}");
    auto missing = documentError([&] { notPng.content(); });
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->kind(), MeboDocumentError::Kind::missingBaseImage);
    EXPECT_EQ(missing->description(), QStringLiteral("Project file is missing its base image."));

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

TEST(MeboDocumentTest, ErrorDescriptions) {
    EXPECT_EQ(MeboDocumentError::unsupportedVersion(5).description(),
              QStringLiteral("Project schema version 5 is newer than this version of Mebo."));
    EXPECT_EQ(MeboDocumentError::decodeFailed(QStringLiteral("PNG encode failed")).description(),
              QStringLiteral("Project file could not be decoded: PNG encode failed"));
    EXPECT_EQ(MeboDocumentError::unknownLayerType(QStringLiteral("warp")).description(),
              QStringLiteral("Project file contains an unsupported layer type: warp"));
    EXPECT_EQ(MeboDocumentError::missingBaseImage().description(),
              QStringLiteral("Project file is missing its base image."));
    EXPECT_STREQ(MeboDocumentError::missingBaseImage().what(), "Project file is missing its base image.");

    auto encode = documentError([] { MeboDocument::encodeBaseImage(QImage()); });
    ASSERT_TRUE(encode);
    EXPECT_EQ(encode->text(), QStringLiteral("PNG encode failed"));
    const QByteArray png = MeboDocument::encodeBaseImage(test::sampleImage(10, 10));
    EXPECT_EQ(PngBytes::decode(png).size(), QSize(10, 10));
}

TEST(MeboDocumentTest, WritingIsAtomicAndReportsFailures) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.mebo"));
    sampleDocument().writeFile(path);
    QFile original(path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();

    // A document that cannot be encoded leaves the file as it was.
    MeboDocument broken = sampleDocument();
    broken.canvasRect = QRectF(0, 0, std::numeric_limits<double>::quiet_NaN(), 1);
    EXPECT_THROW(broken.writeFile(path), JsonEncodeError);

    // Neither does a folder we may not write into (skipped as root, who may).
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), 0500), 0);
        EXPECT_THROW(sampleDocument().writeFile(path), DocumentFileError);
        chmod(QFile::encodeName(dir.path()).constData(), 0700);
    }
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.mebo"});

    EXPECT_THROW(sampleDocument().writeFile(dir.filePath(QStringLiteral("no/such/folder/x.mebo"))),
                 DocumentFileError);
    EXPECT_THROW(MeboDocument::readFile(dir.filePath(QStringLiteral("absent.mebo"))), DocumentFileError);
}

TEST(MeboDocumentTest, LayersThatCannotBeEncodedAreLeftOut) {
    test::LogCapture log;
    auto good = std::make_shared<EraserStrokeLayer>();
    good->points = {{0, 0}, {1, 1}};
    auto bad = std::make_shared<EraserStrokeLayer>();
    bad->width = std::numeric_limits<double>::infinity();
    good->isLocked = true;
    const MeboDocument doc =
        MeboDocument::fromContent(basePng(), QRectF(0, 0, 32, 24), std::nullopt, {bad, good});
    ASSERT_EQ(doc.layers.size(), 1);
    EXPECT_EQ(doc.layers[0].type, QStringLiteral("eraserStroke"));
    EXPECT_FALSE(doc.toJson().contains("isLocked"));
    EXPECT_TRUE(log.contains(QStringLiteral(
        "[LayerCodec] encode failed for EraserStrokeLayer: key 'width' is not a finite number")));
}
