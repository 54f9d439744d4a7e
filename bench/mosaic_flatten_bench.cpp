// Flattening a 4K capture that carries redactions: the export path the mosaic layers sit on.
//
//   mosaic_flatten_bench --benchmark_filter='^flatten/'    whole document, base + layers
//   mosaic_flatten_bench --benchmark_filter='^mosaic/'     one mosaic of each style alone
//
// The document is 3840 x 2160 with ten mosaics of 400 x 300 spread over it (gaussian radius 12,
// or pixelate cell 14). "flatten/none" is the same flatten without layers, the floor the
// mosaics add to.
#include "document/DocumentFlattener.h"
#include "document/MosaicLayer.h"

#include <QGuiApplication>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

using mebo::LayerList;
using mebo::MosaicLayer;
using mebo::MosaicStyle;

QImage screen() {
    QImage img(3840, 2160, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 3840, 2160);
    g.setColorAt(0, QColor(0x24, 0x3b, 0x55));
    g.setColorAt(1, QColor(0xe9, 0xed, 0xf3));
    p.fillRect(img.rect(), g);
    // Lines of "text" so the filters see real edges.
    for (int y = 40; y < 2160; y += 22) {
        for (int x = 30; x < 3800; x += 260) {
            p.fillRect(x, y, 60 + (x * 7 + y) % 180, 9, QColor(0x1f, 0x23, 0x2b));
        }
    }
    return img;
}

LayerList mosaics(MosaicStyle style, double intensity, int count) {
    LayerList layers;
    for (int i = 0; i < count; ++i) {
        auto m = std::make_shared<MosaicLayer>();
        m->rect = QRectF(120 + (i % 5) * 720, 200 + (i / 5) * 900, 400, 300);
        m->style = style;
        m->intensity = intensity;
        if (i % 2 == 1) {
            m->shape = mebo::MosaicShape::ellipse;
        }
        layers.append(m);
    }
    return layers;
}

void flattenWith(benchmark::State& state, MosaicStyle style, double intensity, int count) {
    const QImage base = screen();
    const LayerList layers = mosaics(style, intensity, count);
    for (auto _ : state) {
        QImage out = mebo::DocumentFlattener::flatten(base, layers, QRectF(base.rect()));
        benchmark::DoNotOptimize(out.constBits());
    }
}

void flattenNone(benchmark::State& state) {
    flattenWith(state, MosaicStyle::solid, 1, 0);
}
void flattenGaussian(benchmark::State& state) {
    flattenWith(state, MosaicStyle::gaussian, 12, 10);
}
void flattenPixelate(benchmark::State& state) {
    flattenWith(state, MosaicStyle::pixelate, 14, 10);
}

void drawOne(benchmark::State& state, MosaicStyle style, double intensity) {
    const QImage base = screen().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const LayerList layers = mosaics(style, intensity, 1);
    QImage target = base;
    for (auto _ : state) {
        QPainter p(&target);
        p.setRenderHint(QPainter::Antialiasing);
        layers.first()->draw(p, base);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}

void mosaicGaussian(benchmark::State& state) {
    drawOne(state, MosaicStyle::gaussian, double(state.range(0)));
}
void mosaicPixelate(benchmark::State& state) {
    drawOne(state, MosaicStyle::pixelate, 14);
}
void mosaicSolid(benchmark::State& state) {
    drawOne(state, MosaicStyle::solid, 14);
}

} // namespace

BENCHMARK(flattenNone)->Name("flatten/none")->Unit(benchmark::kMillisecond);
BENCHMARK(flattenGaussian)->Name("flatten/gaussian10")->Unit(benchmark::kMillisecond);
BENCHMARK(flattenPixelate)->Name("flatten/pixelate10")->Unit(benchmark::kMillisecond);
BENCHMARK(mosaicGaussian)->Name("mosaic/gaussian")->Arg(4)->Arg(12)->Arg(40)->Unit(benchmark::kMillisecond);
BENCHMARK(mosaicPixelate)->Name("mosaic/pixelate")->Unit(benchmark::kMillisecond);
BENCHMARK(mosaicSolid)->Name("mosaic/solid")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
