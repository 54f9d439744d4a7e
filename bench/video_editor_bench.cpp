// The video editor's redraws: the timeline with 1,000 regions (drawn on every playhead step while
// playing or scrubbing) and the player's preview composition of one 1080p frame at preview scale
// with the canvas effects on (done for every frame shown). On a generated 1080p recording (30 fps,
// a key frame every 2 s as the recorder writes): the picture a scrub step shows first (the key
// frame before the place, composed), the exact frame once the pointer rests, and a played frame
// (CPU time of the whole process: the decoder runs frame threads), alone and with a webcam
// recording decoded and laid over beside it.
#include "platform/ffmpeg/FfmpegFrameGenerator.h"
#include "ui/VideoTimelineView.h"
#include "video/VideoEditorVM.h"
#include "video/VideoExportPlan.h"
#include "video/VideoFrameCompositor.h"
#include "video/VideoPlayer.h"

#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
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

VideoFrameCompositor previewCompositor(bool withWebcam = false) {
    VideoSnapshot edit;
    edit.showBackground = true;
    edit.backgroundPadding = 60;
    edit.backgroundCornerRadius = 16;
    edit.showShadow = true;
    edit.exportResolutionHeight = 720;
    VideoFrameCompositor::Inputs inputs;
    inputs.edit = edit;
    inputs.plan = VideoExportPlan::make(edit, {1920, 1080}, 60, 30, withWebcam);
    return VideoFrameCompositor(inputs);
}

// 20 s of 1080p at 30 fps with a key frame every 60 frames, made once per run.
const QString& recording1080p() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString out = dir.filePath(QStringLiteral("rec.mp4"));
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=30:duration=20",
                      "-c:v", "libx264", "-preset", "veryfast", "-g", "60", "-pix_fmt", "yuv420p", out});
        if (!ffmpeg.waitForFinished(600000) || ffmpeg.exitCode() != 0) {
            qFatal("ffmpeg could not make the 1080p clip");
        }
        return out;
    }();
    return path;
}

// A 640x480 webcam recording of the same length, made once per run.
const QString& webcam480p() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString out = dir.filePath(QStringLiteral("rec.webcam.mp4"));
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=640x480:rate=30:duration=20",
                      "-c:v", "libx264", "-preset", "veryfast", "-g", "60", "-pix_fmt", "yuv420p", out});
        if (!ffmpeg.waitForFinished(600000) || ffmpeg.exitCode() != 0) {
            qFatal("ffmpeg could not make the webcam clip");
        }
        return out;
    }();
    return path;
}

// The player's step after decoding: scale to the preview, compose (with the webcam's picture).
QImage composePreview(VideoFrameCompositor& compositor, const QImage& decoded, const QImage& webcam = {}) {
    platform::CompositionFrame frame;
    frame.overlay = webcam;
    frame.video = decoded.scaled(compositor.videoSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_RGB32);
    return compositor.render(frame);
}

enum class Scrub { quickPicture, exactAtRest };

void scrubOver1080p(benchmark::State& state, Scrub what) {
    platform::FfmpegFrameGenerator frames;
    QString error;
    if (!frames.open(recording1080p(), VideoPlayer::kDecodeLimit, &error)) {
        state.SkipWithError(error.toUtf8().constData());
        return;
    }
    VideoFrameCompositor compositor = previewCompositor();
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> at(0, 19.9);
    for (auto _ : state) {
        // A drag step to a place away from where decoding stands.
        const double t = at(rng);
        double keyTime = t;
        QImage picture = frames.quickFrameNear(t, &keyTime, &error);
        if (what == Scrub::exactAtRest || picture.isNull()) {
            picture = frames.frameAt(t, &error);
        }
        benchmark::DoNotOptimize(composePreview(compositor, picture).bits());
    }
}

void BM_ScrubStepPicture1080p(benchmark::State& state) {
    scrubOver1080p(state, Scrub::quickPicture);
}
BENCHMARK(BM_ScrubStepPicture1080p)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_ScrubExactFrameAtRest1080p(benchmark::State& state) {
    scrubOver1080p(state, Scrub::exactAtRest);
}
BENCHMARK(BM_ScrubExactFrameAtRest1080p)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_PlaybackFrame1080p(benchmark::State& state) {
    platform::FfmpegFrameGenerator frames;
    QString error;
    if (!frames.open(recording1080p(), VideoPlayer::kDecodeLimit, &error)) {
        state.SkipWithError(error.toUtf8().constData());
        return;
    }
    VideoFrameCompositor compositor = previewCompositor();
    double t = 0;
    for (auto _ : state) {
        t = t + 1.0 / 30 < 19.9 ? t + 1.0 / 30 : 0;
        benchmark::DoNotOptimize(composePreview(compositor, frames.frameAt(t, &error)).bits());
    }
}
BENCHMARK(BM_PlaybackFrame1080p)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// Playback with the webcam laid over: its frame decoded beside the video's, as the player does.
void BM_PlaybackFrameWithWebcam1080p(benchmark::State& state) {
    platform::FfmpegFrameGenerator frames, webcam;
    QString error;
    if (!frames.open(recording1080p(), VideoPlayer::kDecodeLimit, &error) ||
        !webcam.open(webcam480p(), VideoPlayer::kWebcamDecodeLimit, &error)) {
        state.SkipWithError(error.toUtf8().constData());
        return;
    }
    VideoFrameCompositor compositor = previewCompositor(true);
    double t = 0;
    for (auto _ : state) {
        t = t + 1.0 / 30 < 19.9 ? t + 1.0 / 30 : 0;
        const QImage video = frames.frameAt(t, &error);
        benchmark::DoNotOptimize(composePreview(compositor, video, webcam.frameAt(t, &error)).bits());
    }
}
BENCHMARK(BM_PlaybackFrameWithWebcam1080p)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
