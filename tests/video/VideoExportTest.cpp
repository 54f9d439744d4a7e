// Whole exports through the FFmpeg module on clips whose frames carry their index and whose two
// audio tracks carry different tones: every output frame's source index against the time map,
// durations, sizes, the silence of muted ranges, overlay and webcam pixels, the file rules of
// failed exports, and the player's picture against the exported frame. Which ranges an edit keeps
// (merged cuts, disabled segments) is the timeline's table; here the composer follows the map it
// gives. Then the rules derived for an export: the webcam mask, the session's file rules and the
// small helpers of the export session.
#include "platform/ffmpeg/FfmpegAudioTrack.h"
#include "platform/ffmpeg/FfmpegFrameGenerator.h"
#include "platform/ffmpeg/FfmpegMediaProbe.h"
#include "platform/ffmpeg/FfmpegVideoComposer.h"
#include "support/Drawing.h"
#include "support/Files.h"
#include "support/IndexedClip.h"
#include "support/MediaFacts.h"
#include "support/TestUtil.h"
#include "video/ChapterProgressBar.h"
#include "video/VideoEditorVM.h"
#include "video/VideoExportPlan.h"
#include "video/VideoExporter.h"
#include "video/VideoPlayer.h"
#include "video/WebcamMask.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

constexpr int kFps = 30;
const QSize kSize(320, 240);
constexpr double kSeconds = 6;

QUuid id() {
    return QUuid::createUuid();
}

// The mean difference of the colour channels, 0...255.
double meanDifference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            sum += std::abs(qRed(p[col]) - qRed(q[col])) + std::abs(qGreen(p[col]) - qGreen(q[col])) +
                   std::abs(qBlue(p[col]) - qBlue(q[col]));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

bool isRed(QRgb p) {
    return qRed(p) > 200 && qGreen(p) < 70 && qBlue(p) < 70;
}

struct Exported {
    VideoExporter::Outcome outcome = VideoExporter::Outcome::failed;
    QString error, path;
    VideoExportPlan plan;
};

class VideoExportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        QString error;
        test::IndexedClipShape clip;
        clip.seconds = kSeconds;
        ASSERT_TRUE(test::makeIndexedClip(source(), clip, &error)) << error.toStdString();
        ASSERT_TRUE(test::makeColourClip(dir_->filePath("cam.mp4"), "red", {160, 120}, kSeconds, &error));
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static QString source() { return dir_->filePath("clip.mp4"); }

    Exported run(const VideoSnapshot& edit, const std::function<void(VideoExportJob&)>& adjust = {}) {
        static int n = 0;
        VideoExportJob job;
        job.sourcePath = source();
        job.destination = dir_->filePath(QStringLiteral("out%1.mp4").arg(++n));
        job.edit = edit;
        job.assetFolder = dir_->path();
        if (adjust) {
            adjust(job);
        }
        const auto facts = probe_.probe(job.sourcePath, nullptr);
        Exported out;
        out.path = job.destination;
        out.plan = VideoExportPlan::make(edit, facts->videoSize, facts->durationSec, facts->frameRate,
                                         job.webcamPath.has_value());
        std::atomic<bool> never{false};
        VideoExporter exporter(composer_, probe_);
        out.outcome = exporter.run(job, nullptr, never, &out.error);
        return out;
    }

    // Every output frame shows the source frame the time map gives (within one frame).
    static void expectFramesFollowTheMap(const Exported& e, QPoint origin = {}, double scale = 1) {
        QList<platform::CompositionPiece> pieces;
        for (const auto& s : e.plan.timeMap) {
            pieces.append({s.compStart, s.sourceStart, s.speed, s.compDuration});
        }
        const auto indices = test::frameIndices(e.path, e.plan.renderSize, origin, scale);
        ASSERT_EQ(int64_t(indices.size()),
                  platform::FfmpegVideoComposer::frameCount(e.plan.outputDuration, e.plan.fps));
        for (size_t i = 0; i < indices.size(); ++i) {
            const double t = platform::FfmpegVideoComposer::sourceTimeAt(pieces, double(i) / e.plan.fps);
            const int expected = int(std::floor(t * kFps + 1e-6));
            ASSERT_NEAR(indices[i], expected, 1) << "output frame " << i;
        }
    }

    static QTemporaryDir* dir_;
    platform::FfmpegVideoComposer composer_;
    platform::FfmpegMediaProbe probe_;
};

QTemporaryDir* VideoExportTest::dir_ = nullptr;

TEST_F(VideoExportTest, TimingOfCutsSpeedSegmentsHeightAndRate) {
    struct Case {
        QList<TrimRegion> cuts;
        QList<SpeedRegion> speeds;
        double duration;
        int height = 0; // exported; 0: the source's
        int fps = 0;
    };
    const Case cases[] = {{{}, {}, 6}, // no edit; a cut and 2x; slow and fast; 720 lines at 15 fps
                          {{{id(), 1, 2}}, {{id(), 3, 5, 2}}, 4},
                          {{}, {{id(), 0, 1, 0.5}, {id(), 4, 6, 4}}, 5.5},
                          {{{id(), 0, 3}}, {}, 3, 720, 15}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.duration);
        VideoSnapshot edit;
        edit.trimRegions = c.cuts;
        edit.speedRegions = c.speeds;
        if (c.height) {
            edit.exportResolutionHeight = c.height;
            edit.exportFps = c.fps;
        }
        const Exported e = run(edit);
        ASSERT_EQ(e.outcome, VideoExporter::Outcome::completed) << e.error.toStdString();
        EXPECT_NEAR(e.plan.outputDuration, c.duration, 1e-9);
        EXPECT_NEAR(test::media::formatDuration(e.path), c.duration, 0.05);
        // The frames are read at the plan's size: a file of another size would not give them.
        EXPECT_EQ(e.plan.renderSize, c.height ? QSize(960, 720) : kSize);
        EXPECT_EQ(test::media::probe(e.path)["streams"][0]["profile"].toString(), "High");
        expectFramesFollowTheMap(e, {}, e.plan.scale);
    }
}

TEST_F(VideoExportTest, MutesPerTrackAcrossSpeedAndDisabledTracks) {
    VideoSnapshot edit;
    edit.speedRegions = {{id(), 3, 5, 2}};
    edit.micMuteRegions = {{id(), 3, 4}}; // output [3, 3.5]
    edit.systemAudioMuteRegions = {{id(), 1, 2}};
    const Exported e = run(edit);
    ASSERT_EQ(e.outcome, VideoExporter::Outcome::completed) << e.error.toStdString();
    const auto audio = test::media::audioTrack(e.path, 0);
    ASSERT_GT(audio.size(), size_t(48000 * 4.9));
    auto level = [&](double hz, double a, double b) { return test::toneLevel(audio, hz, a, b); };
    // Each tone alone where the other track is muted (a sine of amplitude 1/8 reads 0.0625), the
    // microphone's mute mapped through the 2x stretch: how a track is muted, stretched or left out
    // is the audio track's (FfmpegEditedAudioTest); here the plan's ranges reach it.
    EXPECT_LT(level(440, 1.05, 1.95), 0.002);
    EXPECT_GT(level(1320, 1.05, 1.95), 0.04);
    EXPECT_LT(level(1320, 3.05, 3.45), 0.002);
    EXPECT_GT(level(440, 3.05, 3.45), 0.04);
    EXPECT_GT(level(1320, 3.6, 3.95), 0.04);

    VideoSnapshot micOff;
    micOff.micTrackEnabled = false;
    const auto offAudio = test::media::audioTrack(run(micOff).path, 0);
    EXPECT_LT(test::toneLevel(offAudio, 1320, 0.1, 5.9), 0.002);
    EXPECT_GT(test::toneLevel(offAudio, 440, 0.1, 5.9), 0.04);
}

TEST_F(VideoExportTest, OverlaysAtTheirSourceTimes) {
    VideoSnapshot edit;
    edit.trimRegions = {{id(), 0, 1}};
    AnnotationRegion box;
    box.id = id();
    box.startSec = 2;
    box.endSec = 3;
    box.kind = AnnotationKind::shape;
    box.rect = QRectF(0.25, 0.5, 0.5, 0.25);
    box.colorRGBA = {0, 1, 0, 1};
    box.fontSize = 8;
    edit.annotationRegions = {box};
    edit.showCursorTrail = true;
    edit.cursorTrailWidth = 12;
    edit.chapterSegments = {{id(), 0, 3, QStringLiteral("One"), ColorRGBA{1, 0, 1, 1}},
                            {id(), 3, 6, {}, ColorRGBA{1, 0, 1, 1}}};
    const QString telemetry = dir_->filePath("clip.cursor.json");
    // The pointer sweeps from left to right across the middle, 2.5 s to 3.5 s.
    QByteArray points;
    for (int ms = 2500; ms <= 3500; ms += 33) {
        points += (points.isEmpty() ? "" : ",") + QStringLiteral(R"({"t":%1,"cx":%2,"cy":0.3})")
                                                      .arg(ms)
                                                      .arg(0.1 + 0.8 * (ms - 2500) / 1000.0)
                                                      .toUtf8();
    }
    test::writeBytes(telemetry, "{\"v\":2,\"points\":[" + points + "],\"clicks\":[]}");
    const Exported e = run(edit, [&](VideoExportJob& job) { job.telemetryPath = telemetry; });
    ASSERT_EQ(e.outcome, VideoExporter::Outcome::completed) << e.error.toStdString();
    const auto frames = test::rgbFrames(e.path, kSize);
    ASSERT_EQ(frames.size(), size_t(150));
    auto isGreen = [](QRgb c) { return qGreen(c) > 200 && qRed(c) < 80 && qBlue(c) < 80; };
    // Source 2.5 s is output 1.5 s (frame 45); source 1.5 s is output 0.5 s (frame 15).
    EXPECT_TRUE(isGreen(frames[45].pixel(80, 150))) << "the box's left edge";
    EXPECT_FALSE(isGreen(frames[15].pixel(80, 150)));
    EXPECT_FALSE(isGreen(frames[75].pixel(80, 150)));
    // At source 3.4 s the trail's newest point is at x = 0.1 + 0.8 * 0.9 of the width, y 70 % down.
    EXPECT_TRUE(test::near(frames[72].pixel(int(320 * 0.82), 168), QColor(255, 255, 70), 70))
        << "yellow head";
    // The chapter bar runs along the bottom (rows 228...231): its played part has the chapter's colour.
    EXPECT_TRUE(test::near(frames[140].pixel(20, 230), QColor(255, 0, 255), 75));
    QFile::remove(telemetry);
}

TEST_F(VideoExportTest, WebcamLayoutsFollowCutsAndHiddenRanges) {
    struct Case {
        const char* name;
        WebcamMaskShape shape;
        std::optional<WebcamLayoutPreset> preset;
    };
    const Case cases[] = {{"circle bottom right", WebcamMaskShape::circle, std::nullopt},
                          {"rect top left", WebcamMaskShape::rect, WebcamLayoutPreset::topLeft},
                          {"rounded centre", WebcamMaskShape::rounded, WebcamLayoutPreset::center}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VideoSnapshot edit;
        edit.trimRegions = {{id(), 1, 2}};
        edit.webcamHiddenRegions = {{id(), 3, 4}}; // output [2, 3]
        WebcamLayout layout;
        if (c.preset) {
            layout = layout.withLayoutPreset(*c.preset);
        }
        layout.maskShape = c.shape;
        layout.scale = 0.3;
        edit.webcamLayout = layout;
        const Exported e = run(edit, [](VideoExportJob& job) { job.webcamPath = dir_->filePath("cam.mp4"); });
        ASSERT_EQ(e.outcome, VideoExporter::Outcome::completed) << e.error.toStdString();
        ASSERT_TRUE(e.plan.webcamRect);
        const QRect cam = *e.plan.webcamRect;
        const auto frames = test::rgbFrames(e.path, kSize);
        ASSERT_EQ(frames.size(), size_t(150));
        for (int frame : {10, 50, 100, 140}) {
            const bool hidden = frame >= 60 && frame < 90;
            EXPECT_EQ(isRed(frames[size_t(frame)].pixel(cam.center())), !hidden) << "frame " << frame;
        }
        EXPECT_EQ(isRed(frames[10].pixel(cam.topLeft() + QPoint(1, 1))), c.shape == WebcamMaskShape::rect);
        EXPECT_FALSE(isRed(frames[10].pixel(cam.topLeft() - QPoint(3, 3))));
    }
}

TEST_F(VideoExportTest, FailuresLeaveTheDestination) {
    auto existing = [&](const QString& name) {
        test::writeBytes(dir_->filePath(name), "old");
        return dir_->filePath(name);
    };
    auto unchanged = [](const QString& path) {
        return test::fileBytes(path) == "old" && !QFile::exists(VideoExporter::temporaryPathFor(path));
    };
    // A cancelled export is the command line's Ctrl+C test.
    // A webcam file without pictures.
    const QString noVideo = dir_->filePath("voice.webcam.mp4");
    ASSERT_EQ(
        test::media::run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=duration=1", noVideo})
            .size(),
        0);
    for (const bool asWebcam : {true, false}) {
        const QString kept = existing(asWebcam ? "failed.mp4" : "nosource.mp4");
        const Exported f = run({}, [&](VideoExportJob& job) {
            job.destination = kept;
            job.webcamPath = asWebcam ? std::optional(noVideo) : std::nullopt;
            job.sourcePath = asWebcam ? job.sourcePath : noVideo;
        });
        EXPECT_EQ(f.outcome, VideoExporter::Outcome::failed);
        EXPECT_EQ(f.error, asWebcam ? "webcam 缺少 video track" : "建立 composition video track 失敗");
        EXPECT_TRUE(unchanged(kept));
    }

    const QString nowhere = dir_->filePath("missing/out.mp4");
    const Exported w = run({}, [&](VideoExportJob& job) { job.destination = nowhere; });
    EXPECT_EQ(w.outcome, VideoExporter::Outcome::failed);
    EXPECT_TRUE(w.error.startsWith("cannot write " + nowhere + ": ")) << w.error.toStdString();
}

// Both come from the same compositor, so a frame of the preview and the exported frame at that
// time agree within scaling and the encoder's loss, webcam included.
TEST_F(VideoExportTest, PreviewFramesAreTheExportedFramesAtPreviewScale) {
    // The first 2 s with crop, wallpaper, padding, a wider canvas, corners, shadow and the webcam
    // (hidden for a while); exported 720 lines high, previewed at the canvas's own size.
    VideoSnapshot s;
    s.trimRegions = {{id(), 2, kSeconds}};
    s.cropRect = QRectF(0, 0, 0.8, 0.85);
    s.canvasAspectRatio = 16.0 / 9.0;
    s.showBackground = true;
    s.wallpaperGradient = GradientFill{QColor(20, 40, 200), QColor(30, 200, 90), 0.5};
    s.backgroundPadding = 24;
    s.backgroundCornerRadius = 18;
    s.showShadow = true;
    s.shadowIntensity = 0.6;
    s.exportResolutionHeight = 720;
    s.webcamLayout = WebcamLayout::defaultLayout().withSizePreset(WebcamSizePreset::large);
    s.webcamHiddenRegions = {{id(), 1.2, 1.6}};
    const QString webcam = dir_->filePath("cam.mp4");
    const Exported e = run(s, [&](VideoExportJob& job) { job.webcamPath = webcam; });
    ASSERT_EQ(e.outcome, VideoExporter::Outcome::completed) << e.error.toStdString();
    ASSERT_EQ(e.plan.renderSize.height(), 720);
    // The cropped video centred in the canvas at the render scale, its frames at their times.
    EXPECT_NEAR(e.plan.videoRect.center().x(), e.plan.renderSize.width() / 2.0, 1);
    EXPECT_NEAR(e.plan.videoRect.center().y(), e.plan.renderSize.height() / 2.0, 1);
    EXPECT_NEAR(e.plan.videoRect.width(), 0.8 * kSize.width() * e.plan.scale, 1);
    expectFramesFollowTheMap(e, e.plan.videoRect.topLeft().toPoint(), e.plan.scale);
    const auto frames = test::rgbFrames(e.path, e.plan.renderSize);
    ASSERT_EQ(frames.size(), size_t(60));

    VideoEditorVM vm(kSeconds, QStringLiteral("clip.mp4"), QStringLiteral("cam.mp4"));
    vm.changeSettings([&](VideoSnapshot& state) { state = s; });
    VideoPlayer player(vm, std::make_unique<platform::FfmpegFrameGenerator>(),
                       {source(), kSize, double(kFps), dir_->path(), std::nullopt, webcam}, nullptr,
                       std::make_unique<platform::FfmpegFrameGenerator>());
    ASSERT_TRUE(player.isOpen()) << player.error().toStdString();
    ASSERT_TRUE(player.hasWebcam());
    const QSize preview = player.outputSize();
    EXPECT_LT(preview.height(), 720) << "the preview renders at the canvas's size, not the export's";
    EXPECT_NEAR(double(preview.width()) / preview.height(),
                double(e.plan.renderSize.width()) / e.plan.renderSize.height(), 0.02);

    // Where the preview's webcam and video lie, in preview pixels.
    const double k = double(preview.width()) / e.plan.renderSize.width();
    const QPoint camCentre = (QPointF(e.plan.webcamRect->center()) * k).toPoint();
    const QRectF video = player.videoRect();
    for (const auto& [frame, webcamShown] :
         {std::pair{15, true}, std::pair{42, false}, std::pair{54, true}}) {
        SCOPED_TRACE(frame);
        const double t = (frame + 0.5) / kFps;
        player.seek(t);
        ASSERT_TRUE(test::waitUntil([&] { return player.pictureTime() == t; }, 20000));
        const QImage shown = player.picture();
        ASSERT_EQ(shown.size(), preview);
        const QImage out =
            frames[size_t(frame)].scaled(preview, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LT(meanDifference(shown, out), 8.0) << "the preview differs from the exported frame";
        EXPECT_EQ(isRed(shown.pixel(camCentre)), webcamShown);
        EXPECT_EQ(isRed(out.pixel(camCentre)), webcamShown);
        // The gradient in the padding and behind the rounded corner of the video.
        const QPoint corners[] = {QPoint(3, 3), QPoint(preview.width() - 4, preview.height() - 4),
                                  (video.topLeft() + QPointF(1.5, 1.5)).toPoint()};
        for (const QPoint at : corners) {
            EXPECT_TRUE(test::near(shown.pixel(at), QColor(out.pixel(at)), 16)) << at.x() << "," << at.y();
            const QColor a(shown.pixel(at));
            EXPECT_GT(a.blue() + a.green(), 200) << "the gradient shows at " << at.x() << "," << at.y();
        }
    }
}

} // namespace

TEST(VideoExportPlan, FrameRateChoices) {
    EXPECT_EQ(VideoExportPlan::exportFps(15, 60.0), 15);
    EXPECT_EQ(VideoExportPlan::exportFps(std::nullopt, 29.97), 30);
    EXPECT_EQ(VideoExportPlan::exportFps(std::nullopt, std::nullopt), 30);
    EXPECT_EQ(VideoExportPlan::exportFps(0, 24.0), 24);
    EXPECT_EQ(VideoExportPlan::exportFps(1000, std::nullopt), 30);
}

TEST(WebcamMask, RenderSizeIsEvenAndAtLeastTwo) {
    EXPECT_EQ(WebcamMask::renderSize({199.6, 300.2}), QSize(200, 300));
    EXPECT_EQ(WebcamMask::renderSize({201, 1}), QSize(202, 2));
    EXPECT_EQ(WebcamMask::renderSize({-5, std::nan("")}), QSize(2, 2));
}

TEST(WebcamMask, Shapes) {
    const QSize size(200, 100);
    const QImage circle = WebcamMask::maskImage(size, WebcamMaskShape::circle, 0);
    const QImage capsule = WebcamMask::maskImage(size, WebcamMaskShape::rounded, 500);
    const QImage square = WebcamMask::maskImage(size, WebcamMaskShape::rounded, -3);
    auto at = [](const QImage& m, int x, int y) { return int(m.constScanLine(y)[x]); };
    // A rectangle's corners are the exports' webcam table. The circle on a non-square size is the
    // inscribed ellipse: its ends reach the sides.
    EXPECT_EQ(at(circle, 100, 50), 255);
    EXPECT_EQ(at(circle, 2, 50), 255);
    EXPECT_EQ(at(circle, 100, 2), 255);
    EXPECT_EQ(at(circle, 10, 10), 0);
    // A radius past half the short side gives a capsule (radius 50); a negative one square corners.
    EXPECT_EQ(WebcamMask::roundedRadius(500, size), 50);
    EXPECT_EQ(WebcamMask::roundedRadius(-3, size), 0);
    EXPECT_EQ(at(capsule, 5, 5), 0);
    EXPECT_EQ(at(capsule, 50, 50), 255);
    EXPECT_EQ(at(square, 0, 0), 255);
}

TEST(WebcamMask, CoverFitAndApply) {
    QImage wide(400, 100, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    QPainter(&wide).fillRect(199, 0, 2, 100, Qt::red);
    const QImage fitted = WebcamMask::coverFit(wide, {100, 100});
    ASSERT_EQ(fitted.size(), QSize(100, 100));
    EXPECT_GT(qRed(fitted.pixel(50, 50)), 200) << "centred crop keeps the middle";
    EXPECT_EQ(platform::FfmpegVideoComposer::coverCrop({400, 100}, {100, 100}), QRect(150, 0, 100, 100));
    EXPECT_EQ(platform::FfmpegVideoComposer::coverCrop({640, 480}, {320, 120}), QRect(0, 120, 640, 240));
    const QImage masked =
        WebcamMask::apply(fitted, WebcamMask::maskImage({100, 100}, WebcamMaskShape::circle, 0));
    EXPECT_EQ(qAlpha(masked.pixel(1, 1)), 0);
    EXPECT_EQ(qAlpha(masked.pixel(50, 50)), 255);
}

// Replacing the destination is every export's last step (the exports and `mebo video export`).
TEST(VideoExporterFiles, TemporaryNames) {
    EXPECT_EQ(VideoExporter::temporaryPathFor("/a/b.c/Clip"), "/a/b.c/Clip.tmp");
    EXPECT_EQ(VideoExporter::temporaryPathFor("/a/My.Clip.mov"), "/a/My.Clip.tmp.mov");
}

TEST(VideoExporterFiles, StaleWorkFoldersAreSweptAfterADay) {
    QTemporaryDir dir;
    const QString fresh = VideoExporter::createWorkFolder(dir.path());
    const QString old = VideoExporter::createWorkFolder(dir.path());
    ASSERT_FALSE(fresh.isEmpty());
    test::writeBytes(QDir(old).filePath("main-pass.mp4"), {});
    const QDateTime now = QDateTime::currentDateTime();
    EXPECT_EQ(VideoExporter::sweepStaleWorkFolders(dir.path(), now), 0);
    EXPECT_EQ(VideoExporter::sweepStaleWorkFolders(dir.path(), now.addSecs(86400 + 5)), 2);
    EXPECT_FALSE(QDir(old).exists());
}

TEST(VideoExporterFiles, BitrateGrowsWithPixelsWithinBounds) {
    EXPECT_EQ(VideoExporter::bitrateFor({160, 120}, 5), 1'000'000);
    EXPECT_EQ(VideoExporter::bitrateFor({7680, 4320}, 60), 60'000'000);
}

TEST(ExportSession, FrameCountsAndTempoChains) {
    EXPECT_EQ(platform::FfmpegVideoComposer::frameCount(7, 30), 210);
    EXPECT_EQ(platform::FfmpegVideoComposer::frameCount(7.01, 30), 211);
    EXPECT_EQ(platform::FfmpegVideoComposer::frameCount(0, 30), 0);
    EXPECT_EQ(platform::FfmpegVideoComposer::frameCount(0.001, 30), 1);
    using Chain = QList<double>;
    EXPECT_EQ(platform::FfmpegAudioTrack::tempoChain(2), Chain({2}));
    EXPECT_EQ(platform::FfmpegAudioTrack::tempoChain(8), Chain({2, 2, 2}));
    EXPECT_EQ(platform::FfmpegAudioTrack::tempoChain(3), Chain({2, 1.5}));
    EXPECT_EQ(platform::FfmpegAudioTrack::tempoChain(0.25), Chain({0.5, 0.5}));
    EXPECT_EQ(platform::FfmpegAudioTrack::tempoChain(0), Chain());
    EXPECT_EQ(platform::FfmpegFrameGenerator::fitWithin({3840, 2160}, {720, 720}), QSize(720, 405));
    EXPECT_EQ(platform::FfmpegFrameGenerator::fitWithin({1080, 1920}, {720, 720}), QSize(405, 720));
    EXPECT_EQ(platform::FfmpegFrameGenerator::fitWithin({320, 240}, {720, 720}), QSize(320, 240));
}

TEST(ChapterProgressBar, ChaptersOnTheOutputTimeline) {
    const QList<VideoExportTimeMapSegment> map{{0, 0, 1, 2}, {2, 4, 2, 1}, {3, 6, 1, 4}};
    const QList<VideoChapterExportSegment> tiled{{QUuid(), 0, 3, "A", {1, 0, 0, 1}},
                                                 {QUuid(), 3, 4, "cut away", {0, 1, 0, 1}},
                                                 {QUuid(), 4, 10, "C", {0, 0, 1, 1}}};
    const auto out = ChapterProgressBar::onOutput(tiled, map, 7);
    ASSERT_EQ(out.size(), 2);
    EXPECT_EQ(out[0].title, "A");
    EXPECT_DOUBLE_EQ(out[0].end, 2);
    EXPECT_DOUBLE_EQ(out[1].start, 2);
    EXPECT_DOUBLE_EQ(out[1].end, 7);
    EXPECT_DOUBLE_EQ(ChapterProgressBar::spacing(360), 2);
    EXPECT_DOUBLE_EQ(ChapterProgressBar::spacing(1080), 3.24);
    EXPECT_DOUBLE_EQ(ChapterProgressBar::spacing(4320), 6);
}
