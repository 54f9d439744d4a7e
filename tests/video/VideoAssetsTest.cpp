#include "support/Files.h"
#include "support/TestUtil.h"

#include "video/VideoAnnotationAssets.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

QByteArray encoded(const char* format) {
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QString put(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    test::writeBytes(dir.filePath(name), bytes);
    return dir.filePath(name);
}

TEST(VideoAssetsTest, ValidationChecksExtensionSizeMagicAndDecoding) {
    QTemporaryDir dir;
    const QByteArray png = encoded("png");
    const QByteArray jpeg = encoded("jpeg");
    const struct {
        QString name;
        QByteArray bytes;
        const char* log; // nullptr: accepted
    } cases[] = {
        {"a.png", png, nullptr},
        {"b.JPG", jpeg, nullptr},
        {"c.jpeg", jpeg, nullptr},
        {"d.gif", encoded("gif"), "[VideoEditor] 圖片標註副檔名不支援: d.gif"},
        {"big.png", png + QByteArray(10'000'000 - png.size(), '\0'), nullptr},
        {"huge.png", png + QByteArray(10'000'001 - png.size(), '\0'),
         "[VideoEditor] 圖片標註素材超過 10MB: huge.png"},
        {".png", jpeg, "[VideoEditor] 圖片標註 magic bytes 驗證失敗: .png"},
        {"short.webp", "RIFF0000WEB", "[VideoEditor] 圖片標註 magic bytes 驗證失敗: short.webp"},
        {"cut.png", png.left(40), "[VideoEditor] 圖片標註素材無法解碼: cut.png"},
    };
    for (const auto& c : cases) {
        test::LogCapture logs;
        const auto image = VideoAnnotationAssets::validate(put(dir, c.name, c.bytes));
        EXPECT_EQ(image.has_value(), c.log == nullptr) << c.name.toStdString();
        if (c.log) {
            EXPECT_TRUE(logs.contains(QString::fromUtf8(c.log))) << logs.messages().join('\n').toStdString();
        } else {
            EXPECT_EQ(image->size(), QSize(6, 4));
        }
    }
    if (QImageWriter::supportedImageFormats().contains("webp")) {
        EXPECT_TRUE(VideoAnnotationAssets::validate(put(dir, "e.webp", encoded("webp"))));
    }
}

TEST(VideoAssetsTest, ImportCleanOrphansAndTransientFolders) {
    QTemporaryDir dir;
    const QString source = put(dir, "Photo.PNG", encoded("png"));
    const QString folder = dir.filePath("project");
    const auto kept = VideoAnnotationAssets::importImage(source, folder, "Clip");
    const auto orphan = VideoAnnotationAssets::importImage(source, folder, "Clip");
    ASSERT_TRUE(kept && orphan);
    EXPECT_TRUE(QRegularExpression("^Clip\\.annotation-[0-9A-F-]{36}\\.png$").match(*kept).hasMatch());
    put(dir, "project/Other.annotation-1.png", "x"); // another project's asset stays

    AnnotationRegion region;
    region.imageFileName = *kept;
    test::LogCapture logs;
    EXPECT_EQ(VideoAnnotationAssets::cleanOrphans(folder, "Clip", {region}), 1);
    EXPECT_TRUE(logs.contains("[VideoEditor] 已清理孤立圖片標註素材: 1"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), (QStringList{*kept, "Other.annotation-1.png"}));

    const QString root = dir.filePath("cache/transient-video-assets");
    EXPECT_NE(
        VideoAnnotationAssets::createSessionFolder(root),
        VideoAnnotationAssets::createSessionFolder(root)); // the sweep at start: the video walkthrough's
}

} // namespace
