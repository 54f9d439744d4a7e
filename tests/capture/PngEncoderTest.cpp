#include "capture/PngEncoder.h"

#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace mebo {
namespace {

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

bool decodesTo(const QByteArray& png, const QImage& expected) {
    QImage back;
    if (!back.loadFromData(png, "PNG"))
        return false;
    return back.convertToFormat(QImage::Format_ARGB32) == expected.convertToFormat(QImage::Format_ARGB32);
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

} // namespace
} // namespace mebo
