// Root-window grab cost on the running X display (run under tests/desktop/run-desktop.sh):
// MIT-SHM into a reused segment and image versus banded GetImage, and one window listing.
// Skips itself without a display.

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11FrameGrabber.h"
#include "platform/x11/X11MonitorLayout.h"
#include "platform/x11/X11WindowList.h"

#include <QImage>
#include <benchmark/benchmark.h>

using namespace mebo::platform::x11;

namespace {

std::shared_ptr<X11Connection> connection(benchmark::State& state) {
    auto opened = X11Connection::open();
    if (!opened.isOk()) {
        state.SkipWithError(opened.error().toStdString().c_str());
        return nullptr;
    }
    return opened.value();
}

void grab(benchmark::State& state, bool shm) {
    auto conn = connection(state);
    if (!conn) {
        return;
    }
    if (!shm) {
        qputenv("MEBO_X11_NO_SHM", "1");
    }
    X11FrameGrabber grabber(conn);
    qunsetenv("MEBO_X11_NO_SHM");
    const QRect area(0, 0, int(state.range(0)), int(state.range(1)));
    QImage frame;
    QString error;
    for (auto _ : state) {
        if (!grabber.grab(area, frame, &error)) {
            state.SkipWithError(error.toStdString().c_str());
            break;
        }
        benchmark::DoNotOptimize(frame.constBits());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(area.width()) * area.height() * 4);
    state.SetLabel(grabber.lastGrabUsedShm() ? "shm" : "get_image");
}

void BM_GrabShm(benchmark::State& state) {
    grab(state, true);
}
void BM_GrabGetImage(benchmark::State& state) {
    grab(state, false);
}

void BM_WindowList(benchmark::State& state) {
    auto conn = connection(state);
    if (!conn) {
        return;
    }
    X11WindowList list(conn);
    size_t count = 0;
    for (auto _ : state) {
        count = size_t(list.list(X11MonitorLayout::query(*conn, X11MonitorLayout::Names::Skip)).size());
    }
    state.counters["windows"] = double(count);
}

} // namespace

BENCHMARK(BM_GrabShm)->Args({1920, 1080})->Args({640, 480})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrabGetImage)->Args({1920, 1080})->Args({640, 480})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowList)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
