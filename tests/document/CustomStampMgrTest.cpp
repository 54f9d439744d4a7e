#include "document/CustomStampMgr.h"
#include "support/Files.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

QString savedImage(const QTemporaryDir& dir, const QString& name, const char* format, QColor color) {
    QImage img(12, 8, QImage::Format_RGB32);
    img.fill(color);
    const QString path = dir.filePath(name);
    EXPECT_TRUE(img.save(path, format));
    return path;
}

QJsonArray indexEntries(const QString& folder) {
    return QJsonDocument::fromJson(test::fileBytes(QDir(folder).filePath(QStringLiteral("index.json"))))
        .object()
        .value(QStringLiteral("stamps"))
        .toArray();
}

class CustomStampMgrTest : public ::testing::Test {
protected:
    QTemporaryDir home;
    QTemporaryDir sources;
    QString folder() const { return home.filePath(QStringLiteral("data/Mebo/Stamps")); }
};

} // namespace

TEST_F(CustomStampMgrTest, ImportCopiesPngUnderANewUuidAndListsIt) {
    const QString png = savedImage(sources, QStringLiteral("Company Logo.png"), "PNG", Qt::blue);
    CustomStampMgr mgr(folder());
    QString error;
    const auto first = mgr.importImage(png, QString(), &error);
    ASSERT_TRUE(first) << error.toStdString();
    const auto second = mgr.importImage(png, QStringLiteral("Logo again"), &error);
    ASSERT_TRUE(second) << error.toStdString();

    EXPECT_NE(first->id, second->id);
    EXPECT_EQ(first->filename, first->id + QStringLiteral(".png"));
    EXPECT_EQ(first->label, QStringLiteral("Company Logo"));
    EXPECT_EQ(second->label, QStringLiteral("Logo again"));
    // A PNG is copied byte for byte.
    EXPECT_EQ(test::fileBytes(QDir(folder()).filePath(first->filename)), test::fileBytes(png));
    EXPECT_EQ(mgr.stamps(), (QList<CustomStamp>{*first, *second}));

    const QJsonArray entries = indexEntries(folder());
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].toObject(), (QJsonObject{{"id", first->id},
                                                  {"filename", first->filename},
                                                  {"label", QStringLiteral("Company Logo")}}));

    // Another manager over the same folder sees the same list.
    EXPECT_EQ(CustomStampMgr(folder()).stamps(), mgr.stamps());
}

TEST_F(CustomStampMgrTest, OtherFormatsAreConvertedToPng) {
    const QString jpeg = savedImage(sources, QStringLiteral("photo.jpg"), "JPEG", Qt::green);
    CustomStampMgr mgr(folder());
    const auto stamp = mgr.importImage(jpeg);
    ASSERT_TRUE(stamp);
    const QByteArray bytes = test::fileBytes(mgr.imagePath(*stamp));
    EXPECT_TRUE(bytes.startsWith("\x89PNG\r\n\x1a\n"));
    const QImage back = QImage::fromData(bytes, "PNG");
    EXPECT_EQ(back.size(), QSize(12, 8));
    EXPECT_GT(qGreen(back.pixel(5, 4)), 200);
}

TEST_F(CustomStampMgrTest, UnreadableImagesAreRefusedAndChangeNothing) {
    CustomStampMgr mgr(folder());
    const auto kept = mgr.importImage(savedImage(sources, QStringLiteral("a.png"), "PNG", Qt::red));
    ASSERT_TRUE(kept);
    const QByteArray indexBefore = test::fileBytes(QDir(folder()).filePath(QStringLiteral("index.json")));
    const QString text = sources.filePath(QStringLiteral("notes.png"));
    test::writeBytes(text, "just some words, not pixels");

    test::LogCapture log;
    QString error;
    EXPECT_FALSE(mgr.importImage(text, QString(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("not a readable image"))) << error.toStdString();
    error.clear();
    EXPECT_FALSE(mgr.importImage(sources.filePath(QStringLiteral("missing.png")), QString(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("could not be opened"))) << error.toStdString();

    EXPECT_EQ(mgr.stamps(), QList<CustomStamp>{*kept});
    EXPECT_EQ(test::fileBytes(QDir(folder()).filePath(QStringLiteral("index.json"))), indexBefore);
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files).size(), 2); // index.json and one image
    EXPECT_EQ(log.messages().filter(QStringLiteral("[CustomStampMgr] 匯入失敗: ")).size(), 2);
}

TEST_F(CustomStampMgrTest, CorruptIndexStartsEmptyKeepsTheFileAndRecovers) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    const QString index = QDir(folder()).filePath(QStringLiteral("index.json"));
    for (const QByteArray& broken :
         {QByteArray("{\"stamps\": [ {\"id\": "), QByteArray("[1, 2]"), QByteArray("{\"stamps\": 3}")}) {
        SCOPED_TRACE(broken.toStdString());
        test::writeBytes(index, broken);
        test::LogCapture log;
        CustomStampMgr mgr(folder());
        EXPECT_TRUE(mgr.stamps().isEmpty());
        EXPECT_EQ(test::fileBytes(index + QStringLiteral(".broken")), broken);
        EXPECT_FALSE(log.messages().filter(QStringLiteral("[CustomStampMgr] index.json 損壞")).isEmpty());
    }
    CustomStampMgr mgr(folder());
    const auto stamp = mgr.importImage(savedImage(sources, QStringLiteral("b.png"), "PNG", Qt::red));
    ASSERT_TRUE(stamp);
    EXPECT_EQ(CustomStampMgr(folder()).stamps(), QList<CustomStamp>{*stamp});
}

TEST_F(CustomStampMgrTest, EntriesThatCannotNameAFileInsideTheFolderAreSkipped) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    // E has no label: an empty one.
    const QJsonArray entries{
        QJsonObject{{"id", "A"}, {"filename", "A.png"}, {"label", "fine"}},
        QJsonObject{{"id", "B"}, {"filename", "../../outside.png"}, {"label", "escapes"}},
        QJsonObject{{"id", "C"}, {"filename", ".."}},
        QJsonObject{{"id", 4}, {"filename", "D.png"}},
        QJsonObject{{"id", "E"}, {"filename", "E.png"}},
        QJsonValue("not an object")};
    test::writeBytes(QDir(folder()).filePath(QStringLiteral("index.json")),
                     QJsonDocument(QJsonObject{{"stamps", entries}}).toJson());
    CustomStampMgr mgr(folder());
    EXPECT_EQ(mgr.stamps(), (QList<CustomStamp>{{"A", "A.png", "fine"}, {"E", "E.png", ""}}));
}
