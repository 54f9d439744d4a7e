#include "platform/qt/QtClipboard.h"

#include "support/TestUtil.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSignalSpy>
#include <QUrl>
#include <gtest/gtest.h>

using mebo::platform::QtClipboard;

namespace {

QImage sampleImage() {
    QImage image(31, 17, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgba(x * 8, y * 15, 200, 255));
        }
    }
    return image;
}

QByteArray pngOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

const QMimeData* content() {
    return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
}

class QtClipboardTest : public ::testing::Test {
protected:
    void TearDown() override { QGuiApplication::clipboard()->clear(); }
    QtClipboard clipboard;
};

TEST_F(QtClipboardTest, PngIsHeldAsIsAndAsAnImage) {
    const QImage image = sampleImage();
    const QByteArray png = pngOf(image);
    ASSERT_TRUE(clipboard.writePng(png));
    EXPECT_TRUE(clipboard.ownsContent());

    ASSERT_NE(content(), nullptr);
    EXPECT_EQ(content()->data(QStringLiteral("image/png")), png);
    EXPECT_TRUE(content()->hasImage());
    const QImage decoded = qvariant_cast<QImage>(content()->imageData());
    EXPECT_EQ(decoded.convertToFormat(QImage::Format_ARGB32), image);
}

TEST_F(QtClipboardTest, EmptyPngIsRefused) {
    EXPECT_FALSE(clipboard.writePng(QByteArray()));
}

TEST_F(QtClipboardTest, UndecodablePngStillHoldsItsBytes) {
    ASSERT_TRUE(clipboard.writePng("not a png"));
    EXPECT_EQ(content()->data(QStringLiteral("image/png")), QByteArray("not a png"));
    EXPECT_TRUE(qvariant_cast<QImage>(content()->imageData()).isNull());
}

TEST_F(QtClipboardTest, ImageObject) {
    EXPECT_FALSE(clipboard.writeImageObject(QImage()));
    const QImage image = sampleImage();
    ASSERT_TRUE(clipboard.writeImageObject(image));
    EXPECT_TRUE(clipboard.ownsContent());
    EXPECT_EQ(qvariant_cast<QImage>(content()->imageData()).convertToFormat(QImage::Format_ARGB32), image);
}

TEST_F(QtClipboardTest, FileAsUrlFileManagerListAndText) {
    const QString path = QStringLiteral("/tmp/mebo clip/截圖 #1.png");
    const auto written = clipboard.writeFile(path);
    EXPECT_TRUE(written.url);
    EXPECT_TRUE(written.fileList);
    EXPECT_TRUE(written.text);

    const QUrl url = QUrl::fromLocalFile(path);
    EXPECT_EQ(content()->urls(), QList<QUrl>{url});
    const QByteArray copied = "copy\n" + url.toEncoded();
    EXPECT_EQ(content()->data(QStringLiteral("x-special/gnome-copied-files")), copied);
    EXPECT_EQ(content()->data(QStringLiteral("x-special/mate-copied-files")), copied);
    EXPECT_TRUE(copied.contains("%20")); // encoded, one line
    EXPECT_EQ(content()->text(), path);
    EXPECT_FALSE(content()->hasImage()); // the previous image is gone
}

TEST_F(QtClipboardTest, RelativeFilePathIsMadeAbsolute) {
    clipboard.writeFile(QStringLiteral("shot.png"));
    EXPECT_EQ(content()->text(), QDir::current().absoluteFilePath(QStringLiteral("shot.png")));
}

TEST_F(QtClipboardTest, ClearEmptiesTheClipboard) {
    ASSERT_TRUE(clipboard.writePng(pngOf(sampleImage())));
    clipboard.clear();
    EXPECT_FALSE(clipboard.ownsContent());
    EXPECT_TRUE(content() == nullptr || content()->formats().isEmpty());
}

// Losing the content is reported once; our own writes and clears are not losses.
TEST_F(QtClipboardTest, ReportsWhenSomeoneElseReplacesTheContent) {
    QSignalSpy lost(&clipboard, &QtClipboard::ownershipLost);
    ASSERT_TRUE(clipboard.writePng(pngOf(sampleImage())));
    clipboard.writeFile(QStringLiteral("/tmp/a.png"));
    ASSERT_TRUE(clipboard.writeImageObject(sampleImage()));
    mebo::test::drainEvents();
    EXPECT_EQ(lost.count(), 0);

    QGuiApplication::clipboard()->setText(QStringLiteral("someone else"));
    mebo::test::drainEvents();
    EXPECT_EQ(lost.count(), 1);
    EXPECT_FALSE(clipboard.ownsContent());

    QGuiApplication::clipboard()->setText(QStringLiteral("and again"));
    mebo::test::drainEvents();
    EXPECT_EQ(lost.count(), 1);

    ASSERT_TRUE(clipboard.writePng(pngOf(sampleImage())));
    clipboard.clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("after clear"));
    mebo::test::drainEvents();
    EXPECT_EQ(lost.count(), 1);
}

} // namespace
