// The video editor's redraws: the timeline with 1,000 regions (drawn on every playhead step while
// playing or scrubbing) and the player's preview composition of one 1080p frame at preview scale
// with the canvas effects on (done for every frame shown).
#include "ui/VideoTimelineView.h"
#include "video/VideoEditorVM.h"
#include "video/VideoExportPlan.h"
#include "video/VideoFrameCompositor.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <random>

using namespace mebo;

namespace {

constexpr double kDuration = 3600;

MeboVideoDocument thousandRegions() {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> at(0, kDuration - 3);
    MeboVideoDocument doc;
    auto span = [&](auto& r) {
        r.id = QUuid::createUuid();
        r.startSec = at(rng);
        r.endSec = r.startSec + 0.5 + (rng() % 5) * 0.5;
    };
    for (int i = 0; i < 1000; ++i) {
        switch (i % 5) {
        case 0: {
            TrimRegion r;
            span(r);
            doc.edit.trimRegions.append(r);
            break;
        }
        case 1: {
            SpeedRegion r;
            span(r);
            r.speed = 2;
            doc.edit.speedRegions.append(r);
            break;
        }
        case 2: {
            TrackDisabledRegion r;
            span(r);
            doc.edit.micMuteRegions.append(r);
            break;
        }
        case 3: {
            TrackDisabledRegion r;
            span(r);
            doc.edit.systemAudioMuteRegions.append(r);
            break;
        }
        default: {
            ChapterSegment r;
            span(r);
            doc.edit.chapterSegments.append(r);
            break;
        }
        }
    }
    return doc;
}

void BM_TimelineRedraw1000Regions(benchmark::State& state) {
    VideoEditorVM vm(kDuration, QStringLiteral("Clip.mp4"));
    vm.loadProject(thousandRegions(), QString());
    VideoTimelineView view(vm, [&vm](double t) { vm.setPlayhead(t); });
    view.resize(1600, view.minimumHeight());
    view.setZoom(state.range(0));
    QImage canvas(view.size(), QImage::Format_ARGB32_Premultiplied);
    double t = 0;
    for (auto _ : state) {
        vm.setPlayhead(t += 0.5);
        view.render(&canvas);
        benchmark::DoNotOptimize(canvas.bits());
    }
}
BENCHMARK(BM_TimelineRedraw1000Regions)->Arg(1)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_PreviewComposition1080p(benchmark::State& state) {
    VideoSnapshot edit;
    edit.showBackground = true;
    edit.backgroundPadding = 60;
    edit.backgroundCornerRadius = 16;
    edit.showShadow = true;
    edit.exportResolutionHeight = 720;
    const VideoExportPlan plan = VideoExportPlan::make(edit, {1920, 1080}, 60, 30, false);
    VideoFrameCompositor::Inputs inputs;
    inputs.edit = edit;
    inputs.plan = plan;
    VideoFrameCompositor compositor(inputs);
    QImage decoded(1920, 1080, QImage::Format_RGB32);
    decoded.fill(Qt::darkCyan);
    platform::CompositionFrame frame;
    for (auto _ : state) {
        // What the player's worker does per picture after decoding: scale, then compose.
        frame.video = decoded.scaled(compositor.videoSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(compositor.render(frame).bits());
    }
}
BENCHMARK(BM_PreviewComposition1080p)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
