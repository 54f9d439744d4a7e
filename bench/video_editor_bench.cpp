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
    // Five kinds in turn, each a span of 0.5 to 2.5 s somewhere in the hour.
    const auto add = [&](auto& list, auto region) {
        region.id = QUuid::createUuid();
        region.startSec = at(rng);
        region.endSec = region.startSec + 0.5 + (rng() % 5) * 0.5;
        list.append(region);
    };
    SpeedRegion twice;
    twice.speed = 2;
    for (int i = 0; i < 1000; ++i) {
        switch (i % 5) {
        case 0:
            add(doc.edit.trimRegions, TrimRegion{});
            break;
        case 1:
            add(doc.edit.speedRegions, twice);
            break;
        case 2:
            add(doc.edit.micMuteRegions, TrackDisabledRegion{});
            break;
        case 3:
            add(doc.edit.systemAudioMuteRegions, TrackDisabledRegion{});
            break;
        default:
            add(doc.edit.chapterSegments, ChapterSegment{});
            break;
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

// A generated recording of SIZE, 20 s at 30 fps with a key frame every 60 frames, made once per
// run in DIR.
QString generatedClip(const QTemporaryDir& dir, const QString& name, const QString& size) {
    const QString out = dir.filePath(name);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-y", "-f", "lavfi", "-i",
                  QStringLiteral("testsrc2=size=%1:rate=30:duration=20").arg(size), "-c:v", "libx264",
                  "-preset", "veryfast", "-g", "60", "-pix_fmt", "yuv420p", out});
    if (!ffmpeg.waitForFinished(600000) || ffmpeg.exitCode() != 0) {
        qFatal("ffmpeg could not make %s", qPrintable(name));
    }
    return out;
}

const QString& recording1080p() {
    static QTemporaryDir dir;
    static const QString path = generatedClip(dir, QStringLiteral("rec.mp4"), QStringLiteral("1920x1080"));
    return path;
}

// The webcam's recording beside it.
const QString& webcam480p() {
    static QTemporaryDir dir;
    static const QString path =
        generatedClip(dir, QStringLiteral("rec.webcam.mp4"), QStringLiteral("640x480"));
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

// The preview composition of one 1080p frame with the canvas effects on (done for every frame
// shown), decoding aside.
void BM_PreviewComposition1080p(benchmark::State& state) {
    VideoFrameCompositor compositor = previewCompositor();
    QImage decoded(1920, 1080, QImage::Format_RGB32);
    decoded.fill(Qt::darkCyan);
    for (auto _ : state) {
        benchmark::DoNotOptimize(composePreview(compositor, decoded).bits());
    }
}
BENCHMARK(BM_PreviewComposition1080p)->Unit(benchmark::kMillisecond);

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

// Played frames one after another (with the webcam's frame decoded beside each, as the player
// does).
void playback1080p(benchmark::State& state, bool withWebcam) {
    platform::FfmpegFrameGenerator frames, webcam;
    QString error;
    if (!frames.open(recording1080p(), VideoPlayer::kDecodeLimit, &error) ||
        (withWebcam && !webcam.open(webcam480p(), VideoPlayer::kWebcamDecodeLimit, &error))) {
        state.SkipWithError(error.toUtf8().constData());
        return;
    }
    VideoFrameCompositor compositor = previewCompositor(withWebcam);
    double t = 0;
    for (auto _ : state) {
        t = t + 1.0 / 30 < 19.9 ? t + 1.0 / 30 : 0;
        const QImage video = frames.frameAt(t, &error);
        const QImage overlay = withWebcam ? webcam.frameAt(t, &error) : QImage();
        benchmark::DoNotOptimize(composePreview(compositor, video, overlay).bits());
    }
}

void BM_PlaybackFrame1080p(benchmark::State& state) {
    playback1080p(state, false);
}
BENCHMARK(BM_PlaybackFrame1080p)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_PlaybackFrameWithWebcam1080p(benchmark::State& state) {
    playback1080p(state, true);
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
