// Derived views of a video edit with 10,000 regions per list: the timeline redraws from them, so
// each must stay well under a millisecond.
#include "video/TrackRegions.h"
#include "video/VideoChapters.h"
#include "video/VideoTimeline.h"

#include <benchmark/benchmark.h>
#include <random>

using namespace mebo;

namespace {

constexpr int kRegions = 10'000;
constexpr double kDuration = 3 * 3600.0; // a three-hour recording

// Regions of 0.05 to 1.5 s at random places; `overlapping` lets them cross, else each sits in
// its own slot of the timeline.
template <typename Region> QList<Region> regions(bool overlapping, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> length(0.05, 1.5);
    std::uniform_real_distribution<double> anywhere(0, kDuration - 2);
    const double slot = kDuration / kRegions;
    QList<Region> out;
    for (int i = 0; i < kRegions; ++i) {
        Region r{};
        r.id = QUuid::createUuid();
        r.startSec = overlapping ? anywhere(rng) : i * slot;
        r.endSec = r.startSec + (overlapping ? length(rng) : std::min(length(rng), slot * 0.8));
        if constexpr (requires { r.speed; }) {
            r.speed = 0.5 + (rng() % 8) * 0.5;
        }
        out.append(r);
    }
    if (!overlapping) {
        std::shuffle(out.begin(), out.end(), rng); // stored in editing order, not time order
    }
    return out;
}

void BM_KeptRanges(benchmark::State& state) {
    const auto trims = regions<TrimRegion>(state.range(0), 1);
    for (auto _ : state) {
        const auto cuts = VideoTimeline::effectiveCuts(trims, {}, kDuration);
        benchmark::DoNotOptimize(VideoTimeline::keptRanges(cuts, kDuration));
    }
}
BENCHMARK(BM_KeptRanges)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_TimeMap(benchmark::State& state) {
    const auto kept = VideoTimeline::keptRanges(
        VideoTimeline::effectiveCuts(regions<TrimRegion>(false, 2), {}, kDuration), kDuration);
    const auto speeds = regions<SpeedRegion>(state.range(0), 3);
    for (auto _ : state) {
        benchmark::DoNotOptimize(VideoTimeline::timeMap(kept, speeds));
    }
}
BENCHMARK(BM_TimeMap)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_OutputTimeLookup(benchmark::State& state) {
    const auto kept = VideoTimeline::keptRanges(
        VideoTimeline::effectiveCuts(regions<TrimRegion>(false, 2), {}, kDuration), kDuration);
    const auto map = VideoTimeline::timeMap(kept, regions<SpeedRegion>(false, 3));
    double t = 0;
    for (auto _ : state) {
        t = t > kDuration ? 0 : t + 0.37;
        benchmark::DoNotOptimize(VideoTimeline::outputTime(map, t));
        benchmark::DoNotOptimize(VideoTimeline::sourceTime(map, t / 2));
    }
}
BENCHMARK(BM_OutputTimeLookup);

void BM_CutSpanAt(benchmark::State& state) {
    const auto cuts = VideoTimeline::effectiveCuts(regions<TrimRegion>(true, 4), {}, kDuration);
    double t = 0;
    for (auto _ : state) {
        t = t > kDuration ? 0 : t + 7.3;
        benchmark::DoNotOptimize(VideoTimeline::cutSpanAt(cuts, t));
    }
}
BENCHMARK(BM_CutSpanAt)->Unit(benchmark::kMicrosecond);

void BM_MergedTrackRegions(benchmark::State& state) {
    const auto mutes = regions<TrackDisabledRegion>(state.range(0), 5);
    for (auto _ : state) {
        const auto merged = TrackRegions::merged(mutes, kDuration);
        benchmark::DoNotOptimize(TrackRegions::isDisabledAt(merged, kDuration / 2, kDuration));
    }
}
BENCHMARK(BM_MergedTrackRegions)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_TiledChapters(benchmark::State& state) {
    const auto chapters = regions<ChapterSegment>(false, 6);
    for (auto _ : state) {
        benchmark::DoNotOptimize(VideoChapters::exportSegments(chapters, kDuration));
    }
}
BENCHMARK(BM_TiledChapters)->Unit(benchmark::kMicrosecond);

void BM_SanitizedSegments(benchmark::State& state) {
    const auto segments = regions<RecordingSegment>(false, 7);
    for (auto _ : state) {
        benchmark::DoNotOptimize(TrackRegions::sanitizedSegments(segments, kDuration));
    }
}
BENCHMARK(BM_SanitizedSegments)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
