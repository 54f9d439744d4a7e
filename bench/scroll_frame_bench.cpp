// Frame processing of a scroll capture per 1920x1080 frame: the grey copy, the alignment and the
// compose, for the steps a session takes (primary alignment), for frames that need the fallback
// alignment, and for a frame that shows nothing new. Frames are cut from a rendered page of text.

#include "../tests/scroll/SyntheticPage.h"
#include "scroll/GreyImage.h"
#include "scroll/ScrollAlignment.h"
#include "scroll/ScrollStitcher.h"
#include "scroll/StitchedImage.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

using namespace mebo;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kStep = 648; // 0.6 x the frame

const QImage& page() {
    static const QImage p = test::syntheticPage(kWidth, 40 * kHeight);
    return p;
}

// One session step: the previous frame and the image so far, then the new frame processed.
void BM_ProcessFrame(benchmark::State& state) {
    const QImage& p = page();
    const int frames = 30;
    int i = 0;
    std::optional<StitchedImage> stitched;
    std::optional<ScrollFrame> last;
    int lastRows = 0;
    for (auto _ : state) {
        if (i == 0 || i >= frames) {
            state.PauseTiming();
            auto first = ScrollStitcher::process(ScrollFrame::of(p.copy(0, 0, kWidth, kHeight)), std::nullopt,
                                                 std::nullopt, 0, 0, false, ScrollStitcher::defaultByteLimit);
            stitched = first.stitchedImage;
            last = first.lastFrame;
            lastRows = 0;
            i = 1;
            state.ResumeTiming();
        }
        state.PauseTiming();
        QImage frame = p.copy(0, i * kStep, kWidth, kHeight); // what the grab hands over
        state.ResumeTiming();
        auto r = ScrollStitcher::process(ScrollFrame::of(frame), std::move(stitched), std::move(last),
                                         lastRows, lastRows == 0 ? int(0.6 * kHeight) : 0, false,
                                         ScrollStitcher::defaultByteLimit);
        if (r.outcome != CaptureOutcome::appended) {
            state.SkipWithError("a step did not align");
            return;
        }
        stitched = std::move(r.stitchedImage);
        last = std::move(r.lastFrame);
        lastRows = *r.appendRows;
        ++i;
    }
}
BENCHMARK(BM_ProcessFrame)->Unit(benchmark::kMillisecond);

void BM_GreyCopy(benchmark::State& state) {
    const QImage frame = page().copy(0, 0, kWidth, kHeight);
    for (auto _ : state) {
        benchmark::DoNotOptimize(GreyImage::of(frame));
    }
}
BENCHMARK(BM_GreyCopy)->Unit(benchmark::kMillisecond);

void BM_PrimaryAlignment(benchmark::State& state) {
    const GreyImage a = GreyImage::of(page().copy(0, 0, kWidth, kHeight));
    const GreyImage b = GreyImage::of(page().copy(0, kStep, kWidth, kHeight));
    for (auto _ : state) {
        benchmark::DoNotOptimize(scrollalign::alignPrimary(a, b, kStep));
    }
}
BENCHMARK(BM_PrimaryAlignment)->Unit(benchmark::kMillisecond);

void BM_FallbackAlignment(benchmark::State& state) {
    const QImage s = page().copy(0, 0, kWidth, 3 * kHeight);
    const QImage n = page().copy(0, 3 * kHeight - 200, kWidth, kHeight);
    const GreyImage ng = GreyImage::of(n);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            scrollalign::alignFallback(s.copy(0, s.height() - 200, kWidth, 200), s.height(), n, ng));
    }
}
BENCHMARK(BM_FallbackAlignment)->Unit(benchmark::kMillisecond);

void BM_DuplicateFrame(benchmark::State& state) {
    const QImage frame = page().copy(0, 0, kWidth, kHeight);
    auto first = ScrollStitcher::process(ScrollFrame::of(frame), std::nullopt, std::nullopt, 0, 0, false,
                                         ScrollStitcher::defaultByteLimit);
    for (auto _ : state) {
        auto r = ScrollStitcher::process(ScrollFrame::of(frame.copy()), first.stitchedImage, first.lastFrame,
                                         kStep, 0, false, ScrollStitcher::defaultByteLimit);
        benchmark::DoNotOptimize(r.outcome);
    }
}
BENCHMARK(BM_DuplicateFrame)->Unit(benchmark::kMillisecond);

// The end of a capture: a 10-screen page (a first frame and 15 bands of 0.6 screens) composed
// into the one image that is written.
void BM_ComposeTenScreens(benchmark::State& state) {
    const QImage& p = page();
    StitchedImage stitched(p.copy(0, 0, kWidth, kHeight));
    for (int i = 1; i <= 15; ++i) {
        stitched.append(p.copy(0, i * kStep, kWidth, kHeight), kStep, kWidth);
    }
    for (auto _ : state) {
        QImage image = stitched.compose();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_ComposeTenScreens)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
