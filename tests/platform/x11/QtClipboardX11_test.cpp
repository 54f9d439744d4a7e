#include "platform/qt/QtClipboard.h"

#include "support/TestUtil.h"

#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using mebo::platform::QtClipboard;
using mebo::test::waitUntil;

namespace {

// Runs xclip as another X client while this process keeps answering selection requests.
QByteArray readClipboard(const QString& target, bool* ok = nullptr) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                          QStringLiteral("clipboard"), QStringLiteral("-t"), target});
    const bool finished =
        xclip.waitForStarted(5000) && waitUntil([&] { return xclip.state() == QProcess::NotRunning; }, 10000);
    if (!finished) {
        xclip.kill();
        xclip.waitForFinished(5000);
    }
    if (ok) {
        *ok = finished && xclip.exitStatus() == QProcess::NormalExit && xclip.exitCode() == 0;
    }
    return xclip.readAllStandardOutput();
}

QStringList targets() {
    QStringList out;
    for (const QByteArray& line : readClipboard(QStringLiteral("TARGETS")).split('\n')) {
        if (!line.trimmed().isEmpty()) {
            out << QString::fromLatin1(line.trimmed());
        }
    }
    return out;
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

class QtClipboardX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs an X display (run under tests/desktop/run-desktop.sh)";
        }
    }
    void TearDown() override {
        if (other.state() != QProcess::NotRunning) {
            other.kill();
            other.waitForFinished(5000);
        }
    }
    QtClipboard clipboard;
    QProcess other;
};

TEST_F(QtClipboardX11Test, OtherClientsReadThePngBytesAndConvertedImages) {
    const QImage image = sampleImage();
    const QByteArray png = pngOf(image);
    ASSERT_TRUE(clipboard.writePng(png));
    EXPECT_TRUE(clipboard.ownsContent());

    const QStringList offered = targets();
    EXPECT_TRUE(offered.contains(QStringLiteral("image/png"))) << offered.join(u' ').toStdString();
    EXPECT_TRUE(offered.contains(QStringLiteral("image/bmp"))) << offered.join(u' ').toStdString();

    bool ok = false;
    EXPECT_EQ(readClipboard(QStringLiteral("image/png"), &ok), png);
    EXPECT_TRUE(ok);
    // An application that only takes BMP gets the same picture.
    const QImage bmp = QImage::fromData(readClipboard(QStringLiteral("image/bmp")), "BMP");
    EXPECT_EQ(bmp.convertToFormat(QImage::Format_RGB32), image);
}

TEST_F(QtClipboardX11Test, OtherClientsReadTheFileForms) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("my shot #2.png"));
    const auto written = clipboard.writeFile(path);
    EXPECT_TRUE(written.url && written.fileList && written.text);

    const QStringList offered = targets();
    for (const char* t : {"text/uri-list", "x-special/gnome-copied-files", "x-special/mate-copied-files",
                          "text/plain", "UTF8_STRING"}) {
        EXPECT_TRUE(offered.contains(QLatin1String(t))) << t << " in " << offered.join(u' ').toStdString();
    }
    const QByteArray url = QUrl::fromLocalFile(path).toEncoded();
    EXPECT_EQ(readClipboard(QStringLiteral("text/uri-list")).trimmed(), url);
    EXPECT_EQ(readClipboard(QStringLiteral("x-special/gnome-copied-files")), "copy\n" + url);
    EXPECT_EQ(readClipboard(QStringLiteral("x-special/mate-copied-files")), "copy\n" + url);
    EXPECT_EQ(readClipboard(QStringLiteral("UTF8_STRING")), path.toUtf8());
}

// The command line stays alive until another program owns the clipboard: that moment is signalled.
TEST_F(QtClipboardX11Test, SignalsWhenAnotherProgramTakesTheClipboard) {
    QSignalSpy lost(&clipboard, &QtClipboard::ownershipLost);
    ASSERT_TRUE(clipboard.writePng(pngOf(sampleImage())));
    ASSERT_TRUE(clipboard.ownsContent());
    mebo::test::drainEvents();
    EXPECT_EQ(lost.count(), 0);

    // xclip in the foreground owns the clipboard until it is killed.
    other.start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-i"),
                                          QStringLiteral("-selection"), QStringLiteral("clipboard")});
    ASSERT_TRUE(other.waitForStarted(5000));
    other.write("from another program");
    other.closeWriteChannel();
    ASSERT_TRUE(waitUntil([&] { return lost.count() > 0; }, 10000));
    EXPECT_EQ(lost.count(), 1);
    EXPECT_FALSE(clipboard.ownsContent());
    EXPECT_EQ(readClipboard(QStringLiteral("UTF8_STRING")), QByteArray("from another program"));
}

} // namespace
