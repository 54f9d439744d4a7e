// The export's derived rules: the plan (time map, muted ranges, sizes, placements), the webcam
// mask, the session's file rules and the small pure helpers of the export session.
#include "platform/ffmpeg/FfmpegAudioTrack.h"
#include "platform/ffmpeg/FfmpegFrameGenerator.h"
#include "platform/ffmpeg/FfmpegVideoComposer.h"
#include "support/Files.h"
#include "video/ChapterProgressBar.h"
#include "video/VideoExportPlan.h"
#include "video/VideoExporter.h"
#include "video/WebcamMask.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;

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
    const QImage rect = WebcamMask::maskImage(size, WebcamMaskShape::rect, 0);
    const QImage circle = WebcamMask::maskImage(size, WebcamMaskShape::circle, 0);
    const QImage capsule = WebcamMask::maskImage(size, WebcamMaskShape::rounded, 500);
    const QImage square = WebcamMask::maskImage(size, WebcamMaskShape::rounded, -3);
    auto at = [](const QImage& m, int x, int y) { return int(m.constScanLine(y)[x]); };
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            ASSERT_EQ(at(rect, x, y), 255) << "rect has no transparent pixel";
        }
    }
    // The circle on a non-square size is the inscribed ellipse: its ends reach the sides.
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
    for (int y = 0; y < 100; ++y) {
        wide.setPixel(199, y, qRgb(255, 0, 0));
        wide.setPixel(200, y, qRgb(255, 0, 0));
    }
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
