// The editor canvas on a 3840x2160 capture with 200 layers: the frame after each mouse move of a
// drag (the tool controller's move, the composite's partial redraw and the canvas repaint of the
// changed area), as the user sees it in a 1600x1000 canvas zoomed to fit and at actual size.
//
//   QT_QPA_PLATFORM=offscreen canvas_bench --benchmark_filter='^drag_frame'
//
// Each iteration is one frame; the reported time is the mean, and the counter "median_ms" the
// median frame time.
#include "BenchScene.h"
#include "editor/EditorVM.h"
#include "editor/ToolController.h"
#include "ui/EditorCanvas.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

using namespace mebo;

// Counts the canvas's paint events, to show that every frame was really drawn.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

void send(QWidget& target, QEvent::Type type, const QPointF& at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, target.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
}

// Arguments: the index of the dragged layer (0 = bottom) and the zoom (0 = fit, else percent).
void drag_frame(benchmark::State& state) {
    const bench::Scene& s = bench::scene();
    auto editor = std::make_shared<EditorVM>(s.base);
    editor->addLayers(s.layers);
    editor->setCurrentTool(ToolKind::selection);

    EditorCanvas canvas;
    canvas.resize(1600, 1000);
    canvas.show();
    canvas.setEditor(editor);
    if (state.range(1) > 0) {
        canvas.setZoom(state.range(1) / 100.0);
    }
    PaintCounter counter;
    canvas.installEventFilter(&counter);

    // Press on the layer where it is not covered by a layer above it.
    const LayerPtr layer = editor->layers()[int(state.range(0))];
    editor->selectLayer(layer);
    const QRectF b = layer->bounds();
    QPointF grab = b.center();
    for (double t : {0.5, 0.2, 0.8, 0.35, 0.65}) {
        const QPointF p(b.left() + b.width() * t, b.top() + b.height() * t);
        if (canvas.controller()->layerAt(p) == layer) {
            grab = p;
            break;
        }
    }
    // Keep the layer in view when zoomed in.
    canvas.panBy(QPointF(canvas.width() / 2.0, canvas.height() / 2.0) - canvas.toWidget(grab));
    QApplication::processEvents();
    const QPointF start = canvas.toWidget(grab);
    send(canvas, QEvent::MouseButtonPress, start, Qt::LeftButton);
    QApplication::processEvents();

    std::vector<double> frames;
    int step = 0;
    const int paintsBefore = counter.paints;
    for (auto _ : state) {
        // Back and forth over 40 screen pixels, as a hand does.
        const double dx = (step / 40) % 2 ? 40 - step % 40 : step % 40;
        ++step;
        QElapsedTimer timer;
        timer.start();
        send(canvas, QEvent::MouseMove, start + QPointF(dx, dx / 2), Qt::LeftButton);
        QApplication::processEvents();
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        frames.push_back(seconds * 1000);
    }
    send(canvas, QEvent::MouseButtonRelease, start, Qt::NoButton);
    std::sort(frames.begin(), frames.end());
    // The slowest frame: the second step of the drag draws the layers above the dragged one once.
    state.counters["max_ms"] = frames.empty() ? 0 : frames.back();
    state.counters["median_ms"] = frames.empty() ? 0 : frames[frames.size() / 2];
    state.counters["p90_ms"] = frames.empty() ? 0 : frames[frames.size() * 9 / 10];
    state.counters["paints_per_frame"] =
        frames.empty() ? 0 : double(counter.paints - paintsBefore) / double(frames.size());
    state.counters["scale"] = canvas.scale();
}
BENCHMARK(drag_frame)
    ->ArgNames({"layer", "zoom"})
    ->Args({199, 0})
    ->Args({100, 0})
    ->Args({0, 0})
    ->Args({199, 100})
    ->Args({0, 100})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);

// The area-averaged picture the canvas draws once a zoomed-out view is idle.
void idle_smooth_picture(benchmark::State& state) {
    const bench::Scene& s = bench::scene();
    auto editor = std::make_shared<EditorVM>(s.base);
    editor->addLayers(s.layers);
    const QImage& composite = editor->composite();
    for (auto _ : state) {
        QImage smooth = composite.scaled(QSize(1480, 833), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(smooth.constBits());
    }
}
BENCHMARK(idle_smooth_picture)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
