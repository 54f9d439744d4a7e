// Annotated documents: flattening a 3840x2160 capture with 200 mixed layers (what an export and
// the editor's composite do), and writing then reading its project file.
//
//   document_bench --benchmark_filter='^flatten'      the composite
//   document_bench --benchmark_filter='^project'      .mebo write and read
//
// The base image is a synthetic desktop (window chrome, text lines, a photo-like gradient), so
// the PNG inside the project compresses the way a real capture does.
#include "BenchScene.h"
#include "document/ArrowLayer.h"
#include "document/CalloutLayer.h"
#include "document/DocumentFlattener.h"
#include "document/EllipseLayer.h"
#include "document/HighlighterLayer.h"
#include "document/LayerCodec.h"
#include "document/LayerPictures.h"
#include "document/MeboDocument.h"
#include "document/MosaicLayer.h"
#include "document/PenLayer.h"
#include "document/RectLayer.h"
#include "document/StepLayer.h"
#include "document/TextLayer.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>

namespace {

using namespace mebo;
using bench::Scene;
using bench::scene;

// Layers flattened before (a second export, a re-render): their pictures are kept.
void flatten_4k_200_layers(benchmark::State& state) {
    const Scene& s = scene();
    for (auto _ : state) {
        QImage out = DocumentFlattener::flatten(s.base, s.layers, QRectF(s.base.rect()));
        benchmark::DoNotOptimize(out.constBits());
    }
    state.counters["layers"] = double(s.layers.size());
}
BENCHMARK(flatten_4k_200_layers)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
// The same with the CPU time of every thread: on a machine with idle cores, the wall time lies
// between this divided by the number of cores and this.
BENCHMARK(flatten_4k_200_layers)
    ->Name("flatten_4k_200_layers_all_threads")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->MinTime(3);

// Layers never seen (a first export): every picture is drawn.
void flatten_4k_200_layers_cold(benchmark::State& state) {
    const Scene& s = scene();
    for (auto _ : state) {
        state.PauseTiming();
        LayerPictures::clearCache();
        LayerList fresh;
        for (const LayerPtr& l : s.layers) {
            fresh.append(l->translated(0, 0)); // a new object of the same content
        }
        state.ResumeTiming();
        QImage out = DocumentFlattener::flatten(s.base, fresh, QRectF(s.base.rect()));
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(flatten_4k_200_layers_cold)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// The fixed part: the base converted into the output buffer, no layers.
void flatten_4k_base_only(benchmark::State& state) {
    const Scene& s = scene();
    for (auto _ : state) {
        QImage out = DocumentFlattener::flatten(s.base, {}, QRectF(s.base.rect()));
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(flatten_4k_base_only)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

// Where the time of one flatten goes, by layer class (counters in ms).
void flatten_by_class(benchmark::State& state) {
    const Scene& s = scene();
    std::map<std::string, double> ms;
    for (auto _ : state) {
        const QImage erased = DocumentFlattener::applyErasers(s.base, s.layers);
        QImage out(s.base.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&out);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        painter.drawImage(0, 0, erased);
        for (const LayerPtr& layer : s.layers) {
            QElapsedTimer t;
            t.start();
            painter.save();
            layer->draw(painter, erased);
            painter.restore();
            ms[layer->className()] += t.nsecsElapsed() / 1e6;
        }
    }
    for (const auto& [name, total] : ms) {
        state.counters[name] = total / double(state.iterations());
    }
}
BENCHMARK(flatten_by_class)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The base PNG is encoded once per editor base revision and cached, so a save re-encodes only
// the layers; this measures that save and a full open (JSON, PNG decode, every layer).
void project_write_4k_200_layers(benchmark::State& state) {
    const Scene& s = scene();
    static const QByteArray png = MeboDocument::encodeBaseImage(s.base);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mebo"));
    for (auto _ : state) {
        MeboDocument::fromContent(png, QRectF(s.base.rect()), std::nullopt, s.layers).writeFile(path);
    }
    state.counters["bytes"] = double(QFileInfo(path).size());
}
BENCHMARK(project_write_4k_200_layers)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

void project_read_4k_200_layers(benchmark::State& state) {
    const Scene& s = scene();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mebo"));
    MeboDocument::fromContent(MeboDocument::encodeBaseImage(s.base), QRectF(s.base.rect()), std::nullopt,
                              s.layers)
        .writeFile(path);
    for (auto _ : state) {
        const MeboDocument doc = MeboDocument::readFile(path);
        QImage base = doc.decodeBaseImage();
        LayerList layers = doc.decodeLayers();
        benchmark::DoNotOptimize(base.constBits());
        if (layers.size() != s.layers.size()) {
            state.SkipWithError("layers lost in the round trip");
        }
    }
}
BENCHMARK(project_read_4k_200_layers)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

void base_png_encode_4k(benchmark::State& state) {
    const Scene& s = scene();
    for (auto _ : state) {
        benchmark::DoNotOptimize(MeboDocument::encodeBaseImage(s.base).size());
    }
}
BENCHMARK(base_png_encode_4k)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
