// The editor's model on a 3840x2160 capture with 200 layers: an undo/redo cycle, and the composite
// redraw after one layer moved (what each mouse move of a drag costs the canvas).
//
//   editor_bench --benchmark_filter='^undo'        undo then redo
//   editor_bench --benchmark_filter='^composite'   composite after a move
#include "BenchScene.h"
#include "document/DocumentFlattener.h"
#include "editor/EditorVM.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace {

using namespace mebo;

std::unique_ptr<EditorVM> loadedEditor() {
    const bench::Scene& s = bench::scene();
    auto vm = std::make_unique<EditorVM>(s.base);
    vm->addLayers(s.layers);
    return vm;
}

void undo_redo_cycle_200_layers(benchmark::State& state) {
    auto vm = loadedEditor();
    const LayerPtr moved = vm->layers()[100];
    vm->replaceLayer(moved, moved->translated(5, 5));
    for (auto _ : state) {
        vm->undo();
        vm->redo();
    }
    state.counters["layers"] = double(vm->layers().size());
}
BENCHMARK(undo_redo_cycle_200_layers)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(2);

// Undo and redo with the canvas redrawn after each, as the user sees it.
void undo_redo_cycle_with_redraw(benchmark::State& state) {
    auto vm = loadedEditor();
    const LayerPtr moved = vm->layers()[199];
    vm->replaceLayer(moved, moved->translated(5, 5));
    vm->composite();
    for (auto _ : state) {
        vm->undo();
        benchmark::DoNotOptimize(vm->composite().constBits());
        vm->redo();
        benchmark::DoNotOptimize(vm->composite().constBits());
    }
}
BENCHMARK(undo_redo_cycle_with_redraw)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

// A drag of the layer at `index` (0 = bottom, 199 = top): each iteration moves it by one pixel and
// redraws. The first move caches the layers below it; later moves start from there.
void composite_after_move(benchmark::State& state) {
    auto vm = loadedEditor();
    LayerPtr moving = vm->layers()[int(state.range(0))];
    vm->composite();
    for (auto _ : state) {
        const LayerPtr next = moving->translated(1, 0);
        vm->replaceLayerLive(moving, next);
        moving = next;
        benchmark::DoNotOptimize(vm->composite().constBits());
    }
}
BENCHMARK(composite_after_move)
    ->Arg(199)
    ->Arg(150)
    ->Arg(100)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2);

// The same redraw without the editor's caches, for comparison.
void composite_uncached(benchmark::State& state) {
    const bench::Scene& s = bench::scene();
    for (auto _ : state) {
        QImage out = DocumentFlattener::flatten(s.base, s.layers, QRectF(s.base.rect()));
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(composite_uncached)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

void fingerprint_200_layers(benchmark::State& state) {
    auto vm = loadedEditor();
    vm->fingerprint(); // the layer records are encoded once, then come from the cache
    for (auto _ : state) {
        benchmark::DoNotOptimize(vm->fingerprint());
    }
}
BENCHMARK(fingerprint_200_layers)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
