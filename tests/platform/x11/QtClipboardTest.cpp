#include "platform/qt/QtClipboard.h"
#include "support/Files.h"
#include "support/Process.h"
#include "support/TestUtil.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using mebo::platform::QtClipboard;
using namespace mebo::test;

namespace {

// What another X client gets: xclip runs while this process keeps answering selection requests.
QByteArray readClipboard(const QString& target) {
    return run({"xclip", "-o", "-selection", "clipboard", "-t", target}, {}, 30000, true).stdOut;
}

QStringList targets() {
    return QString::fromLatin1(readClipboard(QStringLiteral("TARGETS")))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QImage sampleImage() {
    QImage image(64, 40, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb(x * 4, y * 6, (x + y) % 256));
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

class QtClipboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs an X display (run under tests/desktop/run-desktop.sh)";
        }
    }
    QtClipboard clipboard;
};

} // namespace

TEST_F(QtClipboardTest, OtherClientsReadThePngBytesAndConvertedImages) {
    const QImage image = sampleImage();
    const QByteArray png = pngOf(image);
    EXPECT_FALSE(clipboard.writePng(QByteArray()));
    ASSERT_TRUE(clipboard.writePng(png));
    EXPECT_TRUE(clipboard.ownsContent());
    EXPECT_TRUE(targets().contains(QStringLiteral("image/bmp"))) << targets().join(u' ').toStdString();
    EXPECT_EQ(readClipboard(QStringLiteral("image/png")), png);
    // An application that only takes BMP gets the same picture; so it does from an image object.
    EXPECT_EQ(QImage::fromData(readClipboard(QStringLiteral("image/bmp")), "BMP")
                  .convertToFormat(QImage::Format_RGB32),
              image);
    EXPECT_FALSE(clipboard.writeImageObject(QImage()));
    ASSERT_TRUE(clipboard.writeImageObject(image));
    EXPECT_EQ(QImage::fromData(readClipboard(QStringLiteral("image/png")), "PNG")
                  .convertToFormat(QImage::Format_RGB32),
              image);
    // Bytes that are no PNG are still held as they are.
    ASSERT_TRUE(clipboard.writePng("not a png"));
    EXPECT_EQ(readClipboard(QStringLiteral("image/png")), QByteArray("not a png"));
}

TEST_F(QtClipboardTest, OtherClientsReadTheFileForms) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("my shot #2 截圖.png"));
    const auto written = clipboard.writeFile(path);
    EXPECT_TRUE(written.url && written.fileList && written.text);
    EXPECT_FALSE(targets().contains(QStringLiteral("image/png"))); // the previous image is gone
    const QByteArray url = QUrl::fromLocalFile(path).toEncoded();
    EXPECT_TRUE(url.contains("%20")); // encoded, one line
    EXPECT_EQ(readClipboard(QStringLiteral("text/uri-list")).trimmed(), url);
    EXPECT_EQ(readClipboard(QStringLiteral("x-special/gnome-copied-files")), "copy\n" + url);
    EXPECT_EQ(readClipboard(QStringLiteral("x-special/mate-copied-files")), "copy\n" + url);
    EXPECT_EQ(readClipboard(QStringLiteral("UTF8_STRING")), path.toUtf8());
    EXPECT_EQ(readClipboard(QStringLiteral("text/plain")), path.toUtf8());
    clipboard.writeFile(QStringLiteral("shot.png")); // a relative path is made absolute
    EXPECT_EQ(readClipboard(QStringLiteral("UTF8_STRING")),
              QDir::current().absoluteFilePath("shot.png").toUtf8());
}

// Losing the content is signalled once, when another program takes it; our own writes and
// clears are not losses.
TEST_F(QtClipboardTest, SignalsWhenAnotherProgramTakesTheClipboard) {
    QSignalSpy lost(&clipboard, &QtClipboard::ownershipLost);
    ASSERT_TRUE(clipboard.writePng(pngOf(sampleImage())));
    clipboard.writeFile(QStringLiteral("/tmp/a.png"));
    ASSERT_TRUE(clipboard.writeImageObject(sampleImage()));
    drainEvents();
    EXPECT_EQ(lost.count(), 0);
    QTemporaryDir dir;
    writeBytes(dir.filePath(QStringLiteral("text")), "from another program");
    Child other; // xclip in the foreground owns the clipboard until it is stopped
    ASSERT_TRUE(other.start({"xclip", "-quiet", "-i", "-selection", "clipboard", dir.filePath("text")}));
    ASSERT_TRUE(waitUntil([&] { return lost.count() > 0; }, 30000));
    EXPECT_FALSE(clipboard.ownsContent());
    EXPECT_EQ(readClipboard(QStringLiteral("UTF8_STRING")), QByteArray("from another program"));
    QGuiApplication::clipboard()->setText(QStringLiteral("and again"));
    drainEvents();
    EXPECT_EQ(lost.count(), 1);

    ASSERT_TRUE(clipboard.writePng(pngOf(sampleImage())));
    clipboard.clear();
    EXPECT_FALSE(clipboard.ownsContent());
    EXPECT_TRUE(targets().filter(QStringLiteral("image")).isEmpty());
    QGuiApplication::clipboard()->setText(QStringLiteral("after clear"));
    drainEvents();
    EXPECT_EQ(lost.count(), 1);
}
