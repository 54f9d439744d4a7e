#include "capture/ClipboardSvc.h"
#include "support/TestUtil.h"
#include "support/Files.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;
using mebo::test::FakeClipboard;
using mebo::test::LogCapture;

TEST(ClipboardSvc, ImageGoesAsPngWithFallbackToTheImageObject) {
    FakeClipboard clip;
    ClipboardSvc svc(clip);
    LogCapture logs;
    QImage img(30, 20, QImage::Format_RGB32);
    img.fill(Qt::red);

    CaptureResult result;
    result.image = img;
    EXPECT_TRUE(svc.copyCapture(result));
    ASSERT_TRUE(clip.formats.contains("image/png"));
    EXPECT_EQ(QImage::fromData(clip.formats["image/png"], "PNG").pixel(3, 3), img.pixel(3, 3));
    EXPECT_TRUE(logs.contains("[Clipboard] 已寫入剪貼板 (30×20)"));

    clip.failPng = true;
    EXPECT_TRUE(svc.copyImage(img, "test"));
    EXPECT_FALSE(clip.imageObject.isNull());
    EXPECT_FALSE(clip.formats.contains("image/png"));

    clip.failImageObject = true;
    EXPECT_FALSE(svc.copyImage(img, "test"));
    EXPECT_TRUE(logs.contains("[Clipboard] 寫入圖片剪貼板失敗 (test)"));

    EXPECT_FALSE(svc.copyImage(QImage(), "empty"));
    EXPECT_TRUE(logs.contains("[Clipboard] PNG 編碼失敗 (empty)"));
}

TEST(ClipboardSvc, FilesAndTheirPartialWrites) {
    QTemporaryDir dir;
    const QString path = dir.filePath("shot.png");
    mebo::test::writeBytes(path, "x");

    FakeClipboard clip;
    ClipboardSvc svc(clip);
    LogCapture logs;
    EXPECT_TRUE(svc.copyFile(path, "history"));
    EXPECT_EQ(clip.formats.value("text/plain"), path.toUtf8());
    EXPECT_TRUE(clip.formats.contains("text/uri-list"));
    EXPECT_TRUE(logs.contains("[Clipboard] 已寫入文件剪貼板 (history): " + path + ", string=true"));

    clip.fileWriteResult = {true, false, false};
    EXPECT_TRUE(svc.copyFile(path, "history"));
    EXPECT_TRUE(logs.contains("[Clipboard] 已寫入文件剪貼板 (history): " + path + ", string=false"));

    clip.fileWriteResult = {false, false, false};
    EXPECT_FALSE(svc.copyFile(path, "history"));
    EXPECT_TRUE(logs.contains("[Clipboard] 寫入文件剪貼板失敗 (history): " + path));

    // A file deleted meanwhile leaves the clipboard as it was.
    clip.fileWriteResult = {true, true, true};
    ASSERT_TRUE(svc.copyFile(path, "history"));
    const auto before = clip.formats;
    const int clearsBefore = clip.clears;
    QFile::remove(path);
    EXPECT_FALSE(svc.copyFile(path, "history"));
    EXPECT_EQ(clip.formats, before);
    EXPECT_EQ(clip.clears, clearsBefore);
    EXPECT_TRUE(logs.contains("[Clipboard] 文件不存在, 無法複製: " + path));
}
