#include "capture/PngWriter.h"
#include "capture/PngEncoder.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

namespace mebo {
namespace {

bool decodesTo(const QByteArray& png, const QImage& expected) {
    QImage back;
    if (!back.loadFromData(png, "PNG"))
        return false;
    return back.convertToFormat(QImage::Format_ARGB32) == expected.convertToFormat(QImage::Format_ARGB32);
}

// Encodes, checks the signature and the end, decodes with libpng (through Qt: it checks every CRC
// and the zlib stream) and compares with `expected` (by default the image itself). Answers the
// colour type written in IHDR.
int roundTrip(const QImage& image, const QImage& expected = {}) {
    const QByteArray png = PngWriter::encode(image);
    EXPECT_TRUE(png.startsWith(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16)));
    EXPECT_TRUE(png.endsWith(QByteArray("\0\0\0\0IEND\xae\x42\x60\x82", 12)));
    EXPECT_TRUE(decodesTo(png, expected.isNull() ? image : expected));
    return png.size() > 25 ? png[25] : -1;
}

QImage noise(int w, int h, QImage::Format format, quint32 seed) {
    QImage img(w, h, format);
    QRandomGenerator rng(seed);
    for (int y = 0; y < h; ++y) {
        auto* line = img.scanLine(y);
        for (qsizetype i = 0; i < img.bytesPerLine(); ++i)
            line[i] = uchar(rng.generate());
    }
    return img;
}

// Rows of every kind: flat, text-like runs, gradients and noise, so each filter gets chosen.
QImage mixedImage(int w, int h, bool alpha) {
    QImage img(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    QPainter p(&img);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    QLinearGradient g(0, 0, w, 0);
    g.setColorAt(0, QColor(0, 40, 200, alpha ? 120 : 255));
    g.setColorAt(1, QColor(250, 200, 10, 255));
    p.fillRect(0, 0, w, h / 3, g);
    p.fillRect(0, h / 3, w, h / 3, QColor(20, 20, 20));
    p.setPen(Qt::white);
    for (int y = h / 3 + 12; y < 2 * h / 3; y += 14)
        p.drawText(4, y, QStringLiteral("drwxr-xr-x 2 root root 4096 bin"));
    p.end();
    QRandomGenerator rng(21);
    for (int y = 2 * h / 3; y < h; ++y) {
        auto* px = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            px[x] = rng.generate() | (alpha ? 0u : 0xFF000000u);
    }
    return img;
}

TEST(PngEncoderTest, EveryFilterLevelAndThreadCountRoundTrips) {
    for (bool alpha : {false, true}) {
        const QImage image = mixedImage(517, 301, alpha);
        for (auto filter : {PngRowFilter::Screen, PngRowFilter::MinSum, PngRowFilter::None, PngRowFilter::Sub,
                            PngRowFilter::Up, PngRowFilter::Paeth}) {
            for (int level : {1, 5, 12}) {
                // Small pieces on three threads: many seams, and more pieces than threads.
                for (unsigned threads : {1u, 3u}) {
                    PngEncodeOptions options;
                    options.filter = filter;
                    options.level = level;
                    options.threads = threads;
                    options.pieceBytes = 64 << 10;
                    EXPECT_TRUE(decodesTo(PngEncoder::encode(image, options), image))
                        << "filter " << int(filter) << " level " << level << " threads " << threads
                        << " alpha " << alpha;
                }
            }
        }
    }
}

// Hands out copies of the asked rows only, a fresh buffer each time as a grab would, and checks
// that a worker asks next for what it announced; fails at the `failAt`th call.
class CopyingRowSource : public PngRowSource {
public:
    CopyingRowSource(const QImage& image, unsigned threads, int failAt = -1)
        : image_(image), buffers_(threads), announced_(threads), failAt_(failAt) {}
    const uint8_t* rows(unsigned worker, int first, int end) override {
        EXPECT_TRUE(0 <= first && first < end && end <= image_.height()) << first << ".." << end;
        if (worker >= buffers_.size() || calls_++ == failAt_)
            return nullptr;
        if (announced_[worker]) {
            EXPECT_EQ(*std::exchange(announced_[worker], std::nullopt), std::make_pair(first, end));
        }
        const auto* from = image_.constScanLine(first);
        buffers_[worker].assign(from, from + size_t(end - first) * size_t(image_.bytesPerLine()));
        return buffers_[worker].data();
    }
    void prefetch(unsigned worker, int first, int end) override {
        announced_.at(worker) = {first, end};
        buffers_[worker].assign(buffers_[worker].size(), 0xEE); // the worker is done with them
    }

private:
    const QImage& image_;
    std::vector<std::vector<uint8_t>> buffers_;
    std::vector<std::optional<std::pair<int, int>>> announced_;
    std::atomic<int> calls_{0};
    int failAt_;
};

TEST(PngEncoderTest, RowsFromASourceEncodeAsFromMemoryHoweverThePiecesFall) {
    // Width, height, alpha, threads, piece bytes: one row, fewer rows than threads, odd widths.
    for (auto [w, h, alpha, threads, pieceBytes] :
         std::vector<std::tuple<int, int, bool, unsigned, size_t>>{{1, 1, false, 2, 1},
                                                                   {7, 3, true, 4, 1},
                                                                   {517, 301, false, 3, 64 << 10},
                                                                   {333, 97, true, 2, 5000}}) {
        const QImage image = mixedImage(w, h, alpha);
        PngPixels pixels{image.constBits(), nullptr, w, h, size_t(image.bytesPerLine())};
        pixels.channels = alpha ? 4 : 3;
        const PngEncodeOptions options{.pieceBytes = pieceBytes, .threads = threads};
        const QByteArray fromMemory = PngEncoder::encode(pixels, options);
        EXPECT_TRUE(decodesTo(fromMemory, image)) << w << "x" << h;
        for (int failAt : {-1, 0}) {
            CopyingRowSource source(image, threads, failAt);
            pixels.source = &source;
            EXPECT_EQ(PngEncoder::encode(pixels, options), failAt < 0 ? fromMemory : QByteArray())
                << w << "x" << h;
        }
    }
}

TEST(PngWriterTest, WritesRgbForOpaqueImagesAndRgbaOnlyWhenSomePixelIsTranslucent) {
    const QImage opaqueArgb = noise(64, 48, QImage::Format_RGB32, 2).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(roundTrip(opaqueArgb), 2);

    QImage oneTranslucent = opaqueArgb;
    oneTranslucent.setPixel(63, 47, qRgba(1, 2, 3, 254));
    EXPECT_EQ(roundTrip(oneTranslucent), 6);

    QImage clear(10, 10, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    EXPECT_EQ(roundTrip(clear), 6);

    // RGB32's unused byte is not alpha, whatever it holds.
    QImage rgb32 = noise(40, 30, QImage::Format_RGB32, 9);
    EXPECT_EQ(roundTrip(rgb32, rgb32.convertToFormat(QImage::Format_ARGB32)), 2);
}

TEST(PngWriterTest, AcceptsEveryCommonFormatAndWritesStraightAlpha) {
    const QImage base = noise(97, 61, QImage::Format_ARGB32, 11);
    const QImage opaque = base.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(roundTrip(base.convertToFormat(QImage::Format_RGBA8888)), 6);
    for (auto format : {QImage::Format_RGBX8888, QImage::Format_RGB888, QImage::Format_BGR888,
                        QImage::Format_RGB16, QImage::Format_Grayscale8, QImage::Format_Indexed8})
        EXPECT_EQ(roundTrip(opaque.convertToFormat(format)), 2) << format;
    // Premultiplied input is written unpremultiplied, as PNG requires.
    for (auto format : {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGBA8888_Premultiplied,
                        QImage::Format_RGBA64_Premultiplied}) {
        const QImage pre = base.convertToFormat(format);
        EXPECT_EQ(roundTrip(pre, pre.convertToFormat(QImage::Format_ARGB32)), 6);
    }
    // Opaque premultiplied pixels equal straight ones: still RGB.
    EXPECT_EQ(roundTrip(opaque.convertToFormat(QImage::Format_ARGB32_Premultiplied)), 2);
}

TEST(PngWriterTest, WriteFileFailsWithAReasonAndLeavesNothingBehind) {
    const QImage image = noise(50, 40, QImage::Format_RGB32, 14);
    QString error;

    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/shot.png"));
    EXPECT_FALSE(PngWriter::writeFile(image, missing, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(
        QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));

    // The rename fails (a folder holds the name): the temporary file goes away again.
    QTemporaryDir busy;
    ASSERT_TRUE(QDir(busy.path()).mkdir(QStringLiteral("shot.png")));
    QFile(busy.filePath(QStringLiteral("shot.png/keep"))).open(QIODevice::WriteOnly);
    error.clear();
    EXPECT_FALSE(PngWriter::writeFile(image, busy.filePath(QStringLiteral("shot.png")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(
        QDir(busy.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("shot.png")});
}

} // namespace
} // namespace mebo
