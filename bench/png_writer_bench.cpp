// PNG encoding of screen captures: the capture encoder against Qt's PNG writer and libpng at their
// default settings, and the encoder's own options (filters, levels, threads, piece size).
//
// Fixtures: synthetic screens drawn with QPainter (terminal windows as on the test desktop, and a
// desktop with a photo-like wallpaper), plus real screens given as PNG files in
// MEBO_BENCH_SCREENS (colon-separated; bench/capture_compare.sh grabs them from a busy Xvfb).
//
//   png_writer_bench --benchmark_filter='^(mebo|qimage|libpng)/'     encoders compared
//   png_writer_bench --benchmark_filter='^sweep/'                    option sweep
//   png_writer_bench --benchmark_filter='^write/'                    file write with/without sync
//
// Counters: bytes = PNG size; ratio = PNG size / raw RGB size. "Time" is wall-clock time, "CPU"
// the whole process's CPU time (all threads), which stays meaningful on a busy machine.
#include "capture/PngEncoder.h"
#include "capture/PngWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <unistd.h>

namespace {

using mebo::PngEncodeOptions;
using mebo::PngEncoder;
using mebo::PngRowFilter;

struct Fixture {
    std::string name;
    QImage image; // RGB32, as screen grabs arrive
};

// Terminal windows in the test desktop's layout (openbox frames, xterm 80x24, `ls -la` output)
// on a black root window.
QImage terminals(int w, int h, int count) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias); // xterm draws bitmap fonts
    p.setFont(font);
    QRandomGenerator rng(3);
    static const char* names[] = {"apt-cache", "apt-get", "arch",    "b2sum", "base64",
                                  "basename",  "bash",    "bashbug", "cat",   "chmod",
                                  "cksum",     "cmake",   "cp",      "ctest", "date"};
    for (int i = 0; i < count; ++i) {
        const QRect frame(40 + i * 420, 60 + i * 160, 490, 340);
        p.fillRect(frame, QColor(220, 220, 220));
        p.fillRect(frame.left(), frame.top(), frame.width(), 20, QColor(160, 170, 190));
        p.setPen(Qt::black);
        p.drawText(frame.left() + 200, frame.top() + 14, QStringLiteral("mebo-test-xterm-%1").arg(i + 1));
        const QRect term = frame.adjusted(2, 22, -2, -2);
        p.fillRect(term, Qt::white);
        for (int line = 0; line < 24; ++line) {
            const auto size = 1000 + rng.bounded(1300000);
            const QString text = QStringLiteral("-rwxr-xr-x  1 root root %1 %2.%3 %4")
                                     .arg(size, 8)
                                     .arg(1663687647 + rng.bounded(90000000))
                                     .arg(rng.bounded(1000000000), 9, 10, QLatin1Char('0'))
                                     .arg(QLatin1String(names[rng.bounded(15)]));
            p.drawText(term.left() + 2, term.top() + 12 + line * 13, text);
        }
    }
    return img;
}

// A desktop with a photo-like wallpaper (gradient plus grain) under text windows.
QImage wallpaperDesktop(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    {
        QPainter p(&img);
        QRadialGradient g(w * 0.3, h * 0.4, w * 0.8);
        g.setColorAt(0, QColor(40, 90, 160));
        g.setColorAt(0.5, QColor(200, 120, 60));
        g.setColorAt(1, QColor(20, 20, 40));
        p.fillRect(img.rect(), g);
    }
    QRandomGenerator rng(7);
    for (int y = 0; y < h; ++y) {
        auto* px = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int n = int(rng.bounded(9u)) - 4;
            const QRgb c = px[x];
            px[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255),
                         qBound(0, qBlue(c) + n, 255));
        }
    }
    QPainter p(&img);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    p.setFont(font);
    for (int i = 0; i < 4; ++i) {
        const QRect r(100 + i * 380, 80 + i * 170, 700, 480);
        const bool dark = i % 2 == 1;
        p.fillRect(r, dark ? QColor(30, 30, 30) : QColor(250, 250, 250));
        p.fillRect(r.left(), r.top(), r.width(), 28, QColor(60, 90, 150));
        p.setPen(dark ? QColor(220, 220, 220) : QColor(30, 30, 30));
        for (int y = r.top() + 48; y < r.bottom() - 8; y += 17) {
            p.drawText(r.left() + 10, y,
                       QStringLiteral("Screenshot %1 of the window, with some text").arg(y));
        }
    }
    return img;
}

std::vector<Fixture>& fixtures() {
    static std::vector<Fixture> all;
    return all;
}

void loadFixtures() {
    auto& all = fixtures();
    all.push_back({"terminals-1920x1080", terminals(1920, 1080, 5)});
    all.push_back({"terminals-3840x2160", terminals(3840, 2160, 10)});
    all.push_back({"wallpaper-1920x1080", wallpaperDesktop(1920, 1080)});
    const QString screens = qEnvironmentVariable("MEBO_BENCH_SCREENS");
    for (const QString& path : screens.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        QImage img(path);
        if (img.isNull()) {
            std::fprintf(stderr, "png_writer_bench: cannot read %s\n", qPrintable(path));
            continue;
        }
        const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
        all.push_back({"screen-" + QFileInfo(path).completeBaseName().toStdString() + "-" +
                           std::to_string(rgb.width()) + "x" + std::to_string(rgb.height()),
                       rgb});
    }
}

void report(benchmark::State& state, const QImage& image, qsizetype pngBytes) {
    const double raw = double(image.width()) * image.height() * 3;
    state.counters["bytes"] = double(pngBytes);
    state.counters["ratio"] = double(pngBytes) / raw;
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(raw));
}

void encodeMebo(benchmark::State& state, const QImage& image) {
    QByteArray png;
    for (auto _ : state) {
        png = mebo::PngWriter::encode(image);
        benchmark::DoNotOptimize(png.data());
    }
    report(state, image, png.size());
}

void encodeQImage(benchmark::State& state, const QImage& image) {
    QByteArray png;
    for (auto _ : state) {
        png.clear();
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        benchmark::DoNotOptimize(png.data());
    }
    report(state, image, png.size());
}

// libpng with its defaults (zlib level 6, adaptive filters), fed the 32-bit pixels through its
// own BGR and filler transforms as a capture tool would.
void encodeLibpng(benchmark::State& state, const QImage& image) {
    std::vector<uint8_t> png;
    for (auto _ : state) {
        png.clear();
        png_structp ptr = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(ptr);
        if (setjmp(png_jmpbuf(ptr))) {
            png_destroy_write_struct(&ptr, &info);
            state.SkipWithError("libpng failed");
            return;
        }
        png_set_write_fn(
            ptr, &png,
            [](png_structp p, png_bytep data, png_size_t n) {
                auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
                out->insert(out->end(), data, data + n);
            },
            nullptr);
        png_set_IHDR(ptr, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(ptr, info);
        png_set_bgr(ptr);                         // little-endian 0xAARRGGBB is B,G,R,A in memory
        png_set_filler(ptr, 0, PNG_FILLER_AFTER); // drop the fourth byte
        for (int y = 0; y < image.height(); ++y)
            png_write_row(ptr, image.constScanLine(y));
        png_write_end(ptr, nullptr);
        png_destroy_write_struct(&ptr, &info);
        benchmark::DoNotOptimize(png.data());
    }
    report(state, image, qsizetype(png.size()));
}

void encodeWith(benchmark::State& state, const QImage& image, PngEncodeOptions options) {
    QByteArray png;
    for (auto _ : state) {
        png = PngEncoder::encode(image, options);
        benchmark::DoNotOptimize(png.data());
    }
    report(state, image, png.size());
}

// The capture's file write: PngWriter::writeFile (temporary sibling, data synced, rename) against
// the same without the sync, to price the sync.
void writeFile(benchmark::State& state, const QImage& image, bool sync) {
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/png-bench-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("shot.png"));
    const QString temp = dir.filePath(QStringLiteral(".shot.png.tmp"));
    qsizetype bytes = 0;
    for (auto _ : state) {
        if (sync) {
            QString error;
            if (!mebo::PngWriter::writeFile(image, path, &error)) {
                state.SkipWithError(qPrintable(error));
                return;
            }
        } else {
            const QByteArray png = mebo::PngWriter::encode(image);
            QFile f(temp);
            if (!f.open(QIODevice::WriteOnly) || f.write(png) != png.size()) {
                state.SkipWithError("write failed");
                return;
            }
            f.close();
            std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData());
        }
        bytes = QFileInfo(path).size();
    }
    report(state, image, bytes);
}

const char* filterName(PngRowFilter f) {
    switch (f) {
    case PngRowFilter::Screen:
        return "screen";
    case PngRowFilter::MinSum:
        return "minsum";
    case PngRowFilter::None:
        return "none";
    case PngRowFilter::Sub:
        return "sub";
    case PngRowFilter::Up:
        return "up";
    case PngRowFilter::Paeth:
        return "paeth";
    }
    return "?";
}

// Wall-clock time decides (the encoder uses every core); CPU is the whole process's.
void add(const std::string& name, auto fn, auto... args) {
    benchmark::RegisterBenchmark(name.c_str(), fn, args...)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
}

void registerAll() {
    for (const Fixture& f : fixtures()) {
        add("mebo/" + f.name, encodeMebo, f.image);
        add("qimage/" + f.name, encodeQImage, f.image);
        add("libpng/" + f.name, encodeLibpng, f.image);
    }
    for (const Fixture& f : fixtures()) {
        // Filters and levels on one thread: the single-core cost of each choice.
        for (auto filter : {PngRowFilter::Screen, PngRowFilter::MinSum, PngRowFilter::None, PngRowFilter::Up,
                            PngRowFilter::Sub, PngRowFilter::Paeth}) {
            for (int level : {1, 3, 4, 5, 6, 7, 9}) {
                PngEncodeOptions o;
                o.filter = filter;
                o.level = level;
                o.threads = 1;
                add("sweep/" + f.name + "/filter:" + filterName(filter) + "/level:" + std::to_string(level) +
                        "/threads:1",
                    encodeWith, f.image, o);
            }
        }
        // Threads and piece size with the chosen filter and level.
        for (unsigned threads : {1u, 2u}) {
            for (size_t mib : {1, 2, 4, 8, 64}) {
                PngEncodeOptions o;
                o.threads = threads;
                o.pieceBytes = mib << 20;
                add("sweep/" + f.name + "/pieces:" + std::to_string(mib) +
                        "MiB/threads:" + std::to_string(threads),
                    encodeWith, f.image, o);
            }
        }
    }
    for (const Fixture& f : fixtures()) {
        add("write/" + f.name + "/fdatasync", writeFile, f.image, true);
        add("write/" + f.name + "/nosync", writeFile, f.image, false);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the synthetic screens
    benchmark::Initialize(&argc, argv);
    loadFixtures();
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
