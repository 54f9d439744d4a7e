// The player's picture against the exported file for the same edit: both come from the same
// compositor, so a frame of the preview and the exported frame at that time must agree within
// scaling and the encoder's loss, webcam included.
#include "platform/ffmpeg/FfmpegFrameGenerator.h"
#include "platform/ffmpeg/FfmpegMediaProbe.h"
#include "platform/ffmpeg/FfmpegVideoComposer.h"
#include "support/IndexedClip.h"
#include "support/TestUtil.h"
#include "video/VideoEditorVM.h"
#include "video/VideoExportPlan.h"
#include "video/VideoExporter.h"
#include "video/VideoPlayer.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

constexpr int kFps = 30;
const QSize kSource(320, 240);

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

class VideoPreviewMatchTest : public ::testing::Test {
protected:
    QString source() const { return dir_.filePath("clip.mp4"); }
    QString webcam() const { return dir_.filePath("clip.webcam.mp4"); }
    QTemporaryDir dir_;
};

TEST_F(VideoPreviewMatchTest, PreviewFramesAreTheExportedFramesAtPreviewScale) {
    QString error;
    test::IndexedClipShape clip;
    clip.seconds = 2;
    clip.size = kSource;
    clip.tones = {};
    ASSERT_TRUE(test::makeIndexedClip(source(), clip, &error)) << error.toStdString();
    ASSERT_TRUE(test::makeColourClip(webcam(), "red", {160, 120}, 2, &error)) << error.toStdString();
    // Crop, wallpaper, padding, corners, shadow and the webcam (hidden for a while); exported 720
    // lines high, previewed at the canvas's own size.
    VideoSnapshot s;
    s.cropRect = QRectF(0.1, 0.05, 0.8, 0.85);
    s.showBackground = true;
    s.wallpaperGradient = GradientFill{QColor(20, 40, 200), QColor(30, 200, 90), 0.5};
    s.backgroundPadding = 24;
    s.backgroundCornerRadius = 18;
    s.showShadow = true;
    s.shadowIntensity = 0.6;
    s.exportResolutionHeight = 720;
    s.webcamLayout = WebcamLayout::defaultLayout().withSizePreset(WebcamSizePreset::large);
    s.webcamHiddenRegions = {{QUuid::createUuid(), 1.2, 1.6}};
    platform::FfmpegMediaProbe probe;
    platform::FfmpegVideoComposer composer;
    VideoExportJob job;
    job.sourcePath = source();
    job.webcamPath = webcam();
    job.destination = dir_.filePath("out.mp4");
    job.edit = s;
    job.assetFolder = dir_.path();
    std::atomic<bool> never{false};
    ASSERT_EQ(VideoExporter(composer, probe).run(job, nullptr, never, &error),
              VideoExporter::Outcome::completed)
        << error.toStdString();
    const auto facts = probe.probe(source(), nullptr);
    ASSERT_TRUE(facts);
    const VideoExportPlan exported =
        VideoExportPlan::make(s, facts->videoSize, facts->durationSec, kFps, true);
    ASSERT_EQ(exported.renderSize.height(), 720);
    const auto frames = test::rgbFrames(job.destination, exported.renderSize);
    ASSERT_EQ(frames.size(), size_t(60));

    VideoEditorVM vm(facts->durationSec, QStringLiteral("clip.mp4"), QStringLiteral("clip.webcam.mp4"));
    vm.changeSettings([&](VideoSnapshot& state) { state = s; });
    VideoPlayer::Source src{source(), kSource, double(kFps), dir_.path(), std::nullopt, webcam()};
    VideoPlayer player(vm, std::make_unique<platform::FfmpegFrameGenerator>(), src, nullptr,
                       std::make_unique<platform::FfmpegFrameGenerator>());
    ASSERT_TRUE(player.isOpen()) << player.error().toStdString();
    ASSERT_TRUE(player.hasWebcam());
    const QSize preview = player.outputSize();
    EXPECT_LT(preview.height(), 720) << "the preview renders at the canvas's size, not the export's";
    EXPECT_NEAR(double(preview.width()) / preview.height(),
                double(exported.renderSize.width()) / exported.renderSize.height(), 0.02);

    // Where the preview's webcam and video lie, in preview pixels.
    const double k = double(preview.width()) / exported.renderSize.width();
    const QPoint camCentre = (QPointF(exported.webcamRect->center()) * k).toPoint();
    const QRectF video = player.videoRect();

    struct Moment {
        const char* name;
        int frame;
        bool webcamShown;
    };
    for (const Moment& m : {Moment{"webcam shown", 15, true}, Moment{"webcam hidden", 42, false},
                            Moment{"after the hidden stretch", 54, true}}) {
        SCOPED_TRACE(m.name);
        const double t = (m.frame + 0.5) / kFps;
        player.seek(t);
        ASSERT_TRUE(test::waitUntil([&] { return player.pictureTime() == t; }, 20000));
        const QImage shown = player.picture();
        ASSERT_EQ(shown.size(), preview);
        const QImage out =
            frames[size_t(m.frame)].scaled(preview, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LT(meanDifference(shown, out), 8.0) << "the preview differs from the exported frame";
        EXPECT_EQ(isRed(shown.pixel(camCentre)), m.webcamShown);
        EXPECT_EQ(isRed(out.pixel(camCentre)), m.webcamShown);
        // The gradient in the padding, and the canvas behind the rounded corner of the video.
        const QPoint corners[] = {QPoint(3, 3), QPoint(preview.width() - 4, preview.height() - 4),
                                  (video.topLeft() + QPointF(1.5, 1.5)).toPoint()};
        for (const QPoint at : corners) {
            const QColor a(shown.pixel(at)), b(out.pixel(at));
            EXPECT_NEAR(a.red(), b.red(), 16) << at.x() << "," << at.y();
            EXPECT_NEAR(a.green(), b.green(), 16) << at.x() << "," << at.y();
            EXPECT_NEAR(a.blue(), b.blue(), 16) << at.x() << "," << at.y();
        }
        for (const QPoint at : {corners[0], corners[1]}) {
            const QColor a(shown.pixel(at));
            EXPECT_GT(a.blue() + a.green(), 200) << "the gradient shows at " << at.x() << "," << at.y();
        }
    }
}

} // namespace
