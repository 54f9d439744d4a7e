// Region and global fill on a 4K screenshot, against OpenCV's flood fill.
//
//   flood_fill_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The screen is 3840 x 2160 (RGB32, what a capture is): a light desktop, windows with borders, title
// bars and anti-aliased buttons, and one large document window whose white page, around its lines of
// anti-aliased text, is the area filled (about 4 million pixels; the "pixels" counter says exactly).
// Every fill uses tolerance 10 (threshold 26 per channel) from the same seed on the page.
//
// BM_RegionFill times the whole FloodFill::region call: reading the base (an RGB32 image needs no
// conversion; BM_RegionFillConverted starts from a premultiplied copy, which has to be converted to
// RGBA8888 first), the search, and the cropped mask. BM_OpenCvFloodFill gets OpenCV's best case: the
// 3-channel BGR image it needs is made once outside the timing, only cv::floodFill (4-connected,
// FLOODFILL_FIXED_RANGE, loDiff = upDiff = 26 per channel, mask only) on a fresh mask is timed, and
// no bounding-box crop. BM_GlobalFill is the global mode; BM_OpenCvInRange the same test (cv::inRange)
// for every pixel, again without crop or count.
#include "app/AppLogger.h"
#include "editor/FloodFill.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace {

constexpr double kTolerance = 10;
const QPointF kSeed(1500.5, 1207.25); // on the document's white page, between lines

void window(QPainter& p, const QRect& r, const QColor& body, const QString& title) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40)); // soft shadow edge
    p.drawRoundedRect(QRectF(r).adjusted(-3, -2, 3, 5), 10, 10);
    p.setBrush(QColor(0xe4, 0xe6, 0xea));
    p.setPen(QPen(QColor(0x9a, 0x9e, 0xa6), 1.5));
    p.drawRoundedRect(QRectF(r), 8, 8);
    p.setPen(Qt::NoPen);
    p.fillRect(r.adjusted(2, 44, -2, -2), body);
    for (int i = 0; i < 3; ++i) { // traffic-light buttons
        p.setBrush(QColor::fromHsv(i * 45, 200, 230));
        p.drawEllipse(QPointF(r.left() + 22 + i * 24, r.top() + 22), 8, 8);
    }
    p.setPen(QColor(0x30, 0x33, 0x38));
    p.drawText(QRect(r.left(), r.top(), r.width(), 44), Qt::AlignCenter, title);
}

QImage screen() {
    QImage img(3840, 2160, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient desktop(0, 0, 3840, 2160);
    desktop.setColorAt(0, QColor(0xe9, 0xee, 0xf4));
    desktop.setColorAt(1, QColor(0xc9, 0xd3, 0xe0));
    p.fillRect(img.rect(), desktop);
    p.fillRect(0, 0, 3840, 32, QColor(0xf6, 0xf6, 0xf6)); // panel
    QFont small = p.font();
    small.setPixelSize(18);
    p.setFont(small);
    p.setPen(QColor(0x22, 0x22, 0x22));
    p.drawText(QRect(20, 0, 800, 32), Qt::AlignVCenter, QStringLiteral("Activities   Files   Terminal"));

    // Side windows: a terminal and a list, text on their own backgrounds.
    window(p, QRect(3020, 140, 760, 1900), QColor(0x1e, 0x1f, 0x24), QStringLiteral("Terminal"));
    p.setPen(QColor(0xc8, 0xd0, 0xc0));
    for (int y = 200; y < 2020; y += 24) {
        p.drawText(3040, y, QStringLiteral("$ make -j2 && ./run --verbose %1").arg(y));
    }
    window(p, QRect(60, 300, 300, 1500), QColor(0xfa, 0xfa, 0xfb), QStringLiteral("Files"));
    p.setPen(QColor(0x40, 0x44, 0x4c));
    for (int y = 380; y < 1780; y += 30) {
        p.drawText(90, y, QStringLiteral("document-%1.txt").arg(y));
    }

    // The document window: a white page with paragraphs, a table and a few rounded buttons.
    const QRect doc(420, 90, 2560, 1960);
    window(p, doc, Qt::white, QStringLiteral("Quarterly report - Editor"));
    QFont body = p.font();
    body.setPixelSize(22);
    p.setFont(body);
    p.setPen(QColor(0x20, 0x20, 0x20));
    const QString line =
        QStringLiteral("The quick brown fox jumps over the lazy dog; 0123456789 (fills, masks)");
    for (int y = 200; y < 1950; y += 64) {
        if (y > 900 && y < 1100) {
            continue;
        }
        p.drawText(520, y, line.left(30 + (y / 64) % 40));
        p.drawText(1500, y, line.mid((y / 32) % 20, 30));
    }
    p.setPen(QPen(QColor(0xb0, 0xb4, 0xbc), 1));
    for (int i = 0; i <= 4; ++i) { // table grid, anti-aliased half-pixel lines
        p.drawLine(QPointF(520, 930.5 + i * 40), QPointF(2200, 930.5 + i * 40));
    }
    p.setBrush(QColor(0x2f, 0x6f, 0xeb));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        p.drawRoundedRect(QRectF(2400.5, 300.5 + i * 90, 160, 48), 12, 12);
    }
    p.end();
    return img;
}

const QImage& base() {
    static const QImage img = screen();
    return img;
}

void drainLog() {
    QCoreApplication::processEvents(); // the queued in-app log records
}

// In a loop the allocator hands the same memory back every time. A click in the editor is one call
// on memory the process has not touched yet, and a page fault costs about 10 us on this machine:
// the "Cold" variants give the freed memory back to the system before every call, untimed.
void coldStart(benchmark::State& state, bool cold) {
    if (cold) {
        state.PauseTiming();
        malloc_trim(0);
        state.ResumeTiming();
    }
}

void regionFill(benchmark::State& state, const QImage& img, bool cold) {
    qint64 pixels = 0;
    for (auto _ : state) {
        coldStart(state, cold);
        auto r = mebo::FloodFill::region(img, kSeed, kTolerance);
        pixels = r ? r->pixelsFilled : 0;
        benchmark::DoNotOptimize(r);
    }
    drainLog();
    state.counters["pixels"] = double(pixels);
}

void BM_RegionFill(benchmark::State& state) {
    regionFill(state, base(), false);
}

void BM_RegionFillCold(benchmark::State& state) {
    regionFill(state, base(), true);
}

void BM_RegionFillConverted(benchmark::State& state) {
    regionFill(state, base().convertToFormat(QImage::Format_ARGB32_Premultiplied), false);
}

void BM_GlobalFill(benchmark::State& state) {
    qint64 pixels = 0;
    for (auto _ : state) {
        auto r = mebo::FloodFill::global(base(), kSeed, kTolerance);
        pixels = r ? r->pixelsFilled : 0;
        benchmark::DoNotOptimize(r);
    }
    drainLog();
    state.counters["pixels"] = double(pixels);
}

// The BGR copy OpenCV's flood fill takes, made outside every timing.
cv::Mat bgr() {
    const QImage& img = base();
    const cv::Mat bgra(img.height(), img.width(), CV_8UC4, const_cast<uchar*>(img.constBits()),
                       size_t(img.bytesPerLine()));
    cv::Mat out;
    cv::cvtColor(bgra, out, cv::COLOR_BGRA2BGR);
    return out;
}

void openCvFloodFill(benchmark::State& state, bool cold) {
    cv::Mat img = bgr();
    const int t = mebo::FloodFill::threshold(kTolerance);
    const cv::Scalar diff(t, t, t);
    const int flags = 4 | cv::FLOODFILL_MASK_ONLY | cv::FLOODFILL_FIXED_RANGE | (255 << 8);
    int area = 0;
    for (auto _ : state) {
        coldStart(state, cold);
        cv::Mat mask = cv::Mat::zeros(img.rows + 2, img.cols + 2, CV_8UC1);
        area = cv::floodFill(img, mask, cv::Point(int(kSeed.x()), int(kSeed.y())), cv::Scalar(), nullptr,
                             diff, diff, flags);
        benchmark::DoNotOptimize(mask.data);
    }
    state.counters["pixels"] = area;
}

void BM_OpenCvFloodFill(benchmark::State& state) {
    openCvFloodFill(state, false);
}

void BM_OpenCvFloodFillCold(benchmark::State& state) {
    openCvFloodFill(state, true);
}

void BM_OpenCvInRange(benchmark::State& state) {
    cv::Mat img = bgr();
    const int t = mebo::FloodFill::threshold(kTolerance);
    const cv::Vec3b s = img.at<cv::Vec3b>(int(kSeed.y()), int(kSeed.x()));
    const cv::Scalar lo(s[0] - t, s[1] - t, s[2] - t), hi(s[0] + t, s[1] + t, s[2] + t);
    for (auto _ : state) {
        cv::Mat mask;
        cv::inRange(img, lo, hi, mask);
        benchmark::DoNotOptimize(mask.data);
    }
    state.counters["pixels"] = cv::countNonZero([&] {
        cv::Mat mask;
        cv::inRange(img, lo, hi, mask);
        return mask;
    }());
}

} // namespace

BENCHMARK(BM_RegionFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvFloodFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegionFillCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvFloodFillCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegionFillConverted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlobalFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvInRange)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // Every call on a 4K image logs the large-image line; keep it off standard error.
    mebo::AppLogger::shared().setSystemLog(nullptr);
    benchmark::Initialize(&argc, argv);
    base(); // painted once, before any timing
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
