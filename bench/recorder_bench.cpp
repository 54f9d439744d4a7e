// The recorder's per-frame work apart from encoding: converting a BGRA screen frame to I420 with
// libyuv (what the writer uses) against swscale (FFmpeg's scaler, as ffmpeg -f x11grab uses it),
// at 1920x1080 and 3840x2160, single-threaded.
#include <QImage>
#include <benchmark/benchmark.h>
#include <libyuv/convert_from_argb.h>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

QImage screenLike(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            row[x] = qRgb((x * 7 + y) & 255, (y * 3) & 255, (x ^ y) & 255);
        }
    }
    return img;
}

struct Planes {
    explicit Planes(int w, int h) : y(size_t(w) * h), u(size_t(w / 2) * (h / 2)), v(u.size()) {}
    std::vector<uint8_t> y, u, v;
};

void BM_Libyuv(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const QImage src = screenLike(w, h);
    Planes out(w, h);
    for (auto _ : state) {
        libyuv::ARGBToI420(src.constBits(), int(src.bytesPerLine()), out.y.data(), w, out.u.data(), w / 2,
                           out.v.data(), w / 2, w, h);
        benchmark::DoNotOptimize(out.y.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Swscale(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    const QImage src = screenLike(w, h);
    Planes out(w, h);
    SwsContext* sws = sws_getContext(w, h, AV_PIX_FMT_BGR0, w, h, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr,
                                     nullptr, nullptr);
    const uint8_t* in[1] = {src.constBits()};
    const int inStride[1] = {int(src.bytesPerLine())};
    uint8_t* dst[3] = {out.y.data(), out.u.data(), out.v.data()};
    const int dstStride[3] = {w, w / 2, w / 2};
    for (auto _ : state) {
        sws_scale(sws, in, inStride, 0, h, dst, dstStride);
        benchmark::DoNotOptimize(out.y.data());
    }
    sws_freeContext(sws);
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_Libyuv)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Swscale)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
