#include "capture/ImageExporter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo {
namespace {

// Half transparent, half a gradient: enough to tell formats, alpha handling and quality apart.
QImage sample() {
    QImage img(64, 40, QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            img.setPixel(x, y, x < 8 ? qRgba(0, 0, 0, 0) : qRgba(x * 4, y * 6, 200 - x, 255));
        }
    }
    return img;
}

TEST(ImageExporter, WritesTheFormatTheNameAsksFor) {
    const struct {
        const char* name;
        ImageExporter::Format format;
        const char* readAs; // what a reader finds in the file
        bool alpha;         // transparency kept
    } cases[] = {
        {"a.png", ImageExporter::Format::png, "png", true},
        {"b.PNG", ImageExporter::Format::png, "png", true},
        {"c", ImageExporter::Format::png, "png", true},
        {"d.unknownext", ImageExporter::Format::png, "png", true},
        {"e.jpg", ImageExporter::Format::jpeg, "jpeg", false},
        {"f.JPEG", ImageExporter::Format::jpeg, "jpeg", false},
        {"g.webp", ImageExporter::Format::webp, "webp", true},
        {"h.bmp", ImageExporter::Format::other, "bmp", false},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        EXPECT_EQ(ImageExporter::formatFor(path), c.format) << c.name;
        QString error;
        ASSERT_TRUE(ImageExporter::write(sample(), path, 90, &error)) << c.name << error.toStdString();
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), QByteArray(c.readAs)) << c.name;
        const QImage back = reader.read();
        ASSERT_EQ(back.size(), QSize(64, 40)) << c.name;
        // The transparent strip: kept, or laid on white.
        const QRgb corner = back.pixel(2, 2);
        if (c.alpha) {
            EXPECT_EQ(qAlpha(corner), 0) << c.name;
        } else {
            EXPECT_GT(qGray(corner), 245) << c.name;
        }
    }
    // Only the finished files are there: no temporary siblings left.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), int(std::size(cases)));
}

TEST(ImageExporter, QualityTradesSizeForFidelityAndFailuresSayWhy) {
    QTemporaryDir dir;
    QImage noisy(200, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 200; ++x) {
            noisy.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, (x ^ y) % 256));
        }
    }
    for (const char* ext : {"jpg", "webp"}) {
        QString error;
        const QString low = dir.filePath(QStringLiteral("low.%1").arg(QLatin1String(ext)));
        const QString high = dir.filePath(QStringLiteral("high.%1").arg(QLatin1String(ext)));
        ASSERT_TRUE(ImageExporter::write(noisy, low, 20, &error)) << error.toStdString();
        ASSERT_TRUE(ImageExporter::write(noisy, high, 95, &error)) << error.toStdString();
        EXPECT_LT(QFileInfo(low).size() * 2, QFileInfo(high).size()) << ext;
    }
    QString error;
    EXPECT_FALSE(ImageExporter::write(noisy, dir.filePath(QStringLiteral("missing/x.jpg")), 90, &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
} // namespace mebo
