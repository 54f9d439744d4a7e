// Whole exports through the FFmpeg module on clips whose frames carry their index and whose two
// audio tracks carry different tones: every output frame's source index against the time map,
// durations, sizes, the silence of muted ranges, overlay and webcam pixels, and the file rules of
// failed exports. Which ranges an edit keeps (merged cuts, disabled segments) is the timeline's
// table; here the composer follows the map it gives.
#include "platform/ffmpeg/FfmpegMediaProbe.h"
#include "platform/ffmpeg/FfmpegVideoComposer.h"
#include "support/Files.h"
#include "support/IndexedClip.h"
#include "support/MediaFacts.h"
#include "video/VideoChapters.h"
#include "video/VideoExportPlan.h"
#include "video/VideoExporter.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
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

struct Exported {
    VideoExporter::Outcome outcome = VideoExporter::Outcome::failed;
    QString error;
    QString path;
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
        test::IndexedClipShape big;
        big.seconds = 2;
        big.size = QSize(640, 480);
        big.tones = {};
        ASSERT_TRUE(test::makeIndexedClip(dir_->filePath("big.mp4"), big, &error)) << error.toStdString();
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

TEST_F(VideoExportTest, TimingOfCutsSpeedAndSegments) {
    struct Case {
        const char* name;
        std::function<void(VideoSnapshot&)> edit;
        double duration;
    };
    const Case cases[] = {
        {"no edit", [](VideoSnapshot&) {}, 6},
        {"cut and 2x",
         [](VideoSnapshot& e) {
             e.trimRegions = {{id(), 1, 2}};
             e.speedRegions = {{id(), 3, 5, 2}};
         },
         4},
        {"slow and fast",
         [](VideoSnapshot& e) {
             e.speedRegions = {{id(), 0, 1, 0.5}, {id(), 4, 6, 4}};
         },
         5.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VideoSnapshot edit;
        c.edit(edit);
        const Exported e = run(edit);
        ASSERT_EQ(e.outcome, VideoExporter::Outcome::completed) << e.error.toStdString();
        EXPECT_NEAR(e.plan.outputDuration, c.duration, 1e-9);
        EXPECT_NEAR(test::media::formatDuration(e.path), c.duration, 0.05);
        expectFramesFollowTheMap(e);
    }
}

TEST_F(VideoExportTest, MutesPerTrackAcrossSpeedAndDisabledTracks) {
    VideoSnapshot edit;
    edit.speedRegions = {{id(), 3, 5, 2}};
    edit.micMuteRegions = {{id(), 3, 4}}; // output [3, 3.5]
    edit.systemAudioMuteRegions = {{id(), 1, 2}};
    const Exported e = run(edit);
    ASSERT_EQ(e.outcome, VideoExporter::Outcome::completed) << e.error.toStdString();
    const auto probe = test::media::probe(e.path);
    const auto audio = test::media::audioTrack(e.path, 0);
    ASSERT_GT(audio.size(), size_t(48000 * 4.9));
    auto level = [&](double hz, double a, double b) { return test::toneLevel(audio, hz, a, b); };
    // Each tone alone where the other track is muted; both elsewhere (a sine of amplitude 1/8 reads
    // 0.0625); pitch kept at 2x.
    EXPECT_LT(level(440, 1.05, 1.95), 0.002);
    EXPECT_GT(level(1320, 1.05, 1.95), 0.04);
    EXPECT_LT(level(1320, 3.05, 3.45), 0.002);
    EXPECT_GT(level(440, 3.05, 3.45), 0.04);
    EXPECT_GT(level(1320, 3.6, 3.95), 0.04);
    EXPECT_GT(level(440, 0.1, 0.9), 0.04);
    EXPECT_LT(level(880, 3.6, 3.95), 0.002) << "a 2x stretch keeps the pitch";

    VideoSnapshot micOff;
    micOff.micTrackEnabled = false;
    const Exported off = run(micOff);
    ASSERT_EQ(off.outcome, VideoExporter::Outcome::completed);
    const auto offAudio = test::media::audioTrack(off.path, 0);
    EXPECT_LT(test::toneLevel(offAudio, 1320, 0.1, 5.9), 0.002);
    EXPECT_GT(test::toneLevel(offAudio, 440, 0.1, 5.9), 0.04);
}

TEST_F(VideoExportTest, CanvasAroundAFourByThreeCrop) {
    VideoSnapshot edit;
    edit.cropRect = QRectF(0, 0, 0.75, 0.75); // 480 x 360 of 640 x 480
    edit.showBackground = true;
    edit.backgroundColorRGBA = {0, 0.5, 1, 1};
    edit.backgroundPadding = 20;
    edit.backgroundCornerRadius = 12;
    edit.canvasAspectRatio = 16.0 / 9.0;
    const Exported e = run(edit, [](VideoExportJob& job) { job.sourcePath = dir_->filePath("big.mp4"); });
    ASSERT_EQ(e.outcome, VideoExporter::Outcome::completed) << e.error.toStdString();
    EXPECT_EQ(e.plan.renderSize, QSize(712, 400));
    const auto frames = test::rgbFrames(e.path, e.plan.renderSize);
    ASSERT_EQ(frames.size(), size_t(60));
    const QImage& f = frames[30];
    const QRgb bg = f.pixel(4, 200);
    EXPECT_NEAR(qRed(bg), 0, 8);
    EXPECT_NEAR(qGreen(bg), 128, 8);
    EXPECT_NEAR(qBlue(bg), 255, 8);
    const QPoint corner = e.plan.videoRect.topLeft().toPoint();
    EXPECT_EQ(corner, QPoint(116, 20));
    EXPECT_NEAR(qBlue(f.pixel(corner + QPoint(1, 1))), 255, 12) << "the rounded corner shows the background";
    expectFramesFollowTheMap(e, corner, e.plan.scale);
}

TEST_F(VideoExportTest, ExportHeightAndFrameRate) {
    VideoSnapshot edit;
    edit.exportResolutionHeight = 720;
    edit.exportFps = 15;
    edit.trimRegions = {{id(), 0, 3}};
    const Exported e = run(edit);
    ASSERT_EQ(e.outcome, VideoExporter::Outcome::completed) << e.error.toStdString();
    EXPECT_EQ(e.plan.renderSize, QSize(960, 720));
    const QJsonObject stream = test::media::probe(e.path)["streams"].toArray()[0].toObject();
    EXPECT_EQ(stream["width"].toInt(), 960);
    EXPECT_EQ(stream["height"].toInt(), 720);
    EXPECT_EQ(stream["profile"].toString(), "High");
    expectFramesFollowTheMap(e, {}, 3);
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
    const QRgb head = frames[72].pixel(int(320 * 0.82), 168);
    EXPECT_GT(qRed(head), 200);
    EXPECT_GT(qGreen(head), 180);
    EXPECT_LT(qBlue(head), 140) << "yellow trail head";
    // The chapter bar runs along the bottom: its played part has the chapter's colour.
    const QRgb bar = frames[140].pixel(20, 230); // the bar: rows 228...231
    EXPECT_GT(qRed(bar), 180);
    EXPECT_LT(qGreen(bar), 90);
    EXPECT_GT(qBlue(bar), 180);
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
        auto isRed = [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; };
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

} // namespace
