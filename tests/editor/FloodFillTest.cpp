#include "editor/FloodFill.h"
#include "support/TestUtil.h"

#include <QColorSpace>
#include <QPainter>
#include <cmath>
#include <deque>
#include <gtest/gtest.h>
#include <limits>
#include <random>

using namespace mebo;
using mebo::test::LogCapture;

namespace {

// The search written the plain way, breadth-first with visited flags set on enqueue, on the
// RGBA8888 conversion (a global fill enqueues every pixel at once). The fast searches must give
// exactly its mask, box and count.
FloodFillResult reference(const QImage& base, QPoint seed, int t, bool global) {
    const QImage img = base.convertToFormat(QImage::Format_RGBA8888);
    const QRgb s = img.pixel(seed);
    const auto matches = [&](QPoint p) {
        const QRgb c = img.pixel(p);
        return std::max({std::abs(qRed(c) - qRed(s)), std::abs(qGreen(c) - qGreen(s)),
                         std::abs(qBlue(c) - qBlue(s))}) <= t;
    };
    QImage mask(img.size(), QImage::Format_Grayscale8);
    mask.fill(0);
    QImage queued = mask;
    std::deque<QPoint> queue;
    const auto enqueue = [&](QPoint p) {
        if (img.rect().contains(p) && !queued.scanLine(p.y())[p.x()]) {
            queued.scanLine(p.y())[p.x()] = 1;
            queue.push_back(p);
        }
    };
    for (int i = 0; i < img.width() * img.height(); ++i) {
        enqueue(global ? QPoint(i % img.width(), i / img.width()) : seed);
    }
    QRect box;
    qint64 count = 0;
    for (; !queue.empty(); queue.pop_front()) {
        const QPoint p = queue.front();
        if (matches(p)) {
            mask.scanLine(p.y())[p.x()] = 255;
            box |= QRect(p, QSize(1, 1));
            ++count;
            for (QPoint n : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                enqueue(p + n);
            }
        }
    }
    return FloodFillResult{mask.copy(box), box, count};
}

void expectSame(const std::optional<FloodFillResult>& got, const FloodFillResult& want) {
    ASSERT_TRUE(got);
    EXPECT_EQ(got->maskRect, want.maskRect);
    EXPECT_EQ(got->pixelsFilled, want.pixelsFilled);
    EXPECT_EQ(got->mask.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(got->mask, want.mask);
}

// Blobs of three colours with small per-channel jitter, so that tolerances decide.
QImage blobs(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    const QRgb palette[] = {qRgb(200, 200, 200), qRgb(30, 30, 30), qRgb(200, 60, 60)};
    std::vector<int> kind(size_t(w) * h);
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int k = int(rng() % 3);
            if (rng() % 10 < 7 && (x > 0 || y > 0)) { // mostly copy a neighbour: blobs
                k = kind[x > 0 && (y == 0 || rng() % 2) ? y * w + x - 1 : (y - 1) * w + x];
            }
            kind[y * w + x] = k;
            auto jitter = [&](int c) { return std::clamp(c + int(rng() % 9) - 4, 0, 255); };
            const QRgb c = palette[k];
            img.setPixel(x, y, qRgba(jitter(qRed(c)), jitter(qGreen(c)), jitter(qBlue(c)), int(rng() % 256)));
        }
    }
    return img;
}

QImage flat(int w, int h, QRgb c, QImage::Format format = QImage::Format_RGB32) {
    QImage img(w, h, format);
    img.fill(c);
    return img;
}

LogLevel levelOf(const QString& msg) {
    for (const LogEntry& e : AppLogger::shared().recentLogs()) {
        if (e.msg == msg) {
            return e.level;
        }
    }
    ADD_FAILURE() << "not logged: " << msg.toStdString();
    return LogLevel::debug;
}

} // namespace

TEST(FloodFill, ThresholdIsRoundedTolerance) {
    const double nan = qQNaN(), inf = qInf();
    const std::pair<double, int> table[] = {{0, 0},    {0.19, 0},  {0.2, 1},   {1, 3},     {10, 26},
                                            {50, 127}, {70, 179},  {100, 255}, {150, 255}, {-5, 0},
                                            {nan, 0},  {inf, 255}, {-inf, 0}};
    for (const auto& [tolerance, t] : table) {
        EXPECT_EQ(FloodFill::threshold(tolerance), t) << tolerance;
    }
}

TEST(FloodFill, SeedOnTheFarEdgeIsTakenBeyondItRejected) {
    QImage img = flat(30, 20, qRgb(0, 0, 0));
    QPainter(&img).fillRect(29, 0, 1, 20, QColor(9, 9, 9)); // the last column
    LogCapture logs;
    for (const QPointF seed : {QPointF(30, 5), QPointF(30.9, 20.7), QPointF(29, 19)}) {
        const auto r = FloodFill::region(img, seed, 0);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->maskRect, QRect(29, 0, 1, 20));
    }
    // Truncation takes -0.5 to column 0.
    EXPECT_EQ(FloodFill::region(img, {-0.5, 3}, 0)->maskRect, QRect(0, 0, 29, 20));
    EXPECT_TRUE(logs.messages().isEmpty());

    EXPECT_FALSE(FloodFill::region(img, {31, 5}, 0));
    EXPECT_FALSE(FloodFill::region(img, {-1.5, 3.7}, 0));
    EXPECT_FALSE(FloodFill::global(img, {5, 21}, 0));
    const QStringList expected = {
        QStringLiteral("[FloodFill] seed 明顯越界 baseImage: (31,5) size=30x20"),
        QStringLiteral("[FloodFill] seed 明顯越界 baseImage: (-1,3) size=30x20"),
        QStringLiteral("[FloodFill] global seed 明顯越界 baseImage: (5,21) size=30x20")};
    EXPECT_EQ(logs.messages(), expected);
    EXPECT_EQ(levelOf(expected[2]), LogLevel::warning);
}

TEST(FloodFill, UnusableInputsGiveNoResult) {
    LogCapture logs;
    // A seed that is not a number is dropped without a word.
    const QImage img = flat(10, 10, qRgb(1, 2, 3));
    const double nan = qQNaN(), inf = qInf();
    for (const QPointF seed : {QPointF(nan, 1), QPointF(1, nan), QPointF(inf, 1), QPointF(1, -inf)}) {
        EXPECT_FALSE(FloodFill::region(img, seed, 50));
        EXPECT_FALSE(FloodFill::global(img, seed, 50));
    }
    EXPECT_TRUE(logs.messages().isEmpty());
    // A null image has no pixels to convert; the seed check still comes first.
    EXPECT_FALSE(FloodFill::region(QImage(), {0, 0}, 10));
    EXPECT_FALSE(FloodFill::global(QImage(), {0, 0}, 10));
    EXPECT_FALSE(FloodFill::region(QImage(), {1, 0}, 10));
    const QString failed = QStringLiteral("[FloodFill] baseImage 轉 RGBA8 失敗");
    EXPECT_EQ(
        logs.messages(),
        QStringList({failed, failed, QStringLiteral("[FloodFill] seed 明顯越界 baseImage: (1,0) size=0x0")}));
    EXPECT_EQ(levelOf(failed), LogLevel::error);
}

// Every pixel format and the fast paths behind them against the breadth-first search, on blobs
// that touch at corners, with lone pixels, up to tolerance 100 (everything).
TEST(FloodFill, MatchesBreadthFirstSearchOnEveryFormat) {
    const QImage::Format formats[] = {QImage::Format_ARGB32,   QImage::Format_RGB32,
                                      QImage::Format_RGBA8888, QImage::Format_RGBX8888,
                                      QImage::Format_RGB888,   QImage::Format_ARGB32_Premultiplied};
    for (unsigned seed = 1; seed <= 4; ++seed) {
        const QImage source = blobs(61, 43, seed);
        std::mt19937 rng(seed);
        for (QImage::Format format : formats) {
            const QImage img = source.convertToFormat(format);
            for (double tolerance : {0.0, 1.0, 2.0, 4.0, 30.0, 100.0}) {
                const QPoint at(int(rng() % 61), int(rng() % 43));
                SCOPED_TRACE(testing::Message() << "image " << seed << " format " << format << " tolerance "
                                                << tolerance << " seed " << at.x() << "," << at.y());
                const int t = FloodFill::threshold(tolerance);
                expectSame(FloodFill::region(img, at, tolerance), reference(img, at, t, false));
                expectSame(FloodFill::global(img, at, tolerance), reference(img, at, t, true));
            }
        }
    }
}

TEST(FloodFill, ComparesColoursInSrgb) {
    // A grey ramp in linear light: in the dark part one raw step is about three sRGB steps, so the
    // seed's threshold of 3 covers fewer columns once the image is in sRGB.
    QImage img(256, 4, QImage::Format_RGB32);
    for (int x = 0; x < 256; ++x) {
        for (int y = 0; y < 4; ++y) {
            img.setPixel(x, y, qRgb(x, x, x));
        }
    }
    img.setColorSpace(QColorSpace(QColorSpace::Primaries::SRgb, QColorSpace::TransferFunction::Linear));
    const QImage srgb = img.convertedToColorSpace(QColorSpace::SRgb);
    QImage untagged = img;
    untagged.setColorSpace(QColorSpace());
    const QPoint at(20, 1);
    ASSERT_NE(reference(srgb, at, 3, false).maskRect, reference(untagged, at, 3, false).maskRect);
    expectSame(FloodFill::region(img, at, 1), reference(srgb, at, 3, false));
    expectSame(FloodFill::global(img, at, 1), reference(srgb, at, 3, true));
}

TEST(FloodFill, LargeImagesSayTheyMayTakeLonger) {
    LogCapture logs;
    EXPECT_EQ(FloodFill::region(flat(2000, 2000, qRgb(5, 5, 5)), {0, 0}, 0)->pixelsFilled, 4'000'000);
    EXPECT_TRUE(logs.messages().isEmpty());
    const QImage big = flat(2001, 2001, qRgb(5, 5, 5));
    const auto region = FloodFill::region(big, {1000, 1000}, 0);
    const auto global = FloodFill::global(big, {2001, 2001}, 0);
    ASSERT_TRUE(region && global);
    EXPECT_EQ(region->pixelsFilled, 2001 * 2001);
    EXPECT_EQ(global->maskRect, big.rect());
    const QStringList expected = {QStringLiteral("[FloodFill] 大圖 (4004001 px) flood-fill, 預計耗時較長"),
                                  QStringLiteral("[FloodFill] 大圖 (4004001 px) global fill, 預計耗時較長")};
    EXPECT_EQ(logs.messages(), expected);
    EXPECT_EQ(levelOf(expected[0]), LogLevel::info);
}
