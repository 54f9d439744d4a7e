#include "recording/RecordingCamera.h"
#include "recording/WebcamPip.h"
#include "support/RecordingFakes.h"
#include "support/TestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo {
namespace {

struct PipCase {
    QSize screen, camera;
    double scale;
    WebcamPosition position;
    QRect rect;
    double radius;
};

class WebcamPipGeometryTest : public ::testing::TestWithParam<PipCase> {};

TEST_P(WebcamPipGeometryTest, SizeFromScaleAndAspectPlacedTwentyPixelsFromTheEdges) {
    const PipCase& c = GetParam();
    const WebcamPipGeometry g = webcamPipGeometry(c.screen, c.camera, c.scale, c.position);
    EXPECT_EQ(g.rect, c.rect);
    EXPECT_NEAR(g.cornerRadius, c.radius, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, WebcamPipGeometryTest,
    ::testing::Values(
        // 384 x 216 at x 1516, 20 from the bottom (row 844 from the top); radius 12 x 0.3.
        PipCase{{1920, 1080}, {1280, 720}, 0.2, WebcamPosition::bottomRight, {1516, 844, 384, 216}, 3.6},
        PipCase{{1920, 1080}, {1280, 720}, 0.2, WebcamPosition::bottomLeft, {20, 844, 384, 216}, 3.6},
        PipCase{{1920, 1080}, {1280, 720}, 0.2, WebcamPosition::topLeft, {20, 20, 384, 216}, 3.6},
        PipCase{{1920, 1080}, {1280, 720}, 0.4, WebcamPosition::topRight, {1132, 20, 768, 432}, 7.2},
        // A 4:3 camera keeps its aspect; a picture narrower than its camera shrinks the radius.
        PipCase{{1000, 600}, {640, 480}, 0.1, WebcamPosition::bottomRight, {880, 505, 100, 75}, 1.875}));

TEST(RecordingTimelineWebcam, KeepsFramesOfTheRunningSessionOnTheAdjustedTimeline) {
    RecordingTimeline t;
    t.begin(30);
    EXPECT_FALSE(t.admitWebcam(1'000)) << "before the session started";
    ASSERT_TRUE(t.admitVideo(2'000));
    EXPECT_FALSE(t.admitWebcam(1'500)) << "before the session start";
    EXPECT_EQ(t.admitWebcam(2'500), 2'500);
    EXPECT_FALSE(t.admitWebcam(2'500)) << "not after the previous frame";
    t.pause(3'000);
    EXPECT_FALSE(t.admitWebcam(3'500)) << "paused";
    t.resume(10'000);
    EXPECT_EQ(t.admitWebcam(10'100), 3'100) << "the pause leaves the timeline";
    t.setStopAt(11'000);
    EXPECT_FALSE(t.admitWebcam(11'001)) << "after the stop";
    t.end();
    EXPECT_FALSE(t.admitWebcam(10'900));
}

struct CameraRig {
    test::FakeCameraCapture cameras;
    RecordingTimeline timeline;
    std::shared_ptr<test::FakeMediaWriter::Log> log = std::make_shared<test::FakeMediaWriter::Log>();
    QTemporaryDir dir;
    RecordingCamera camera{timeline, [this] { return std::make_unique<test::FakeMediaWriter>(log); }};
    RecordingCamera::Config config;

    CameraRig() {
        cameras.list = {{QStringLiteral("/dev/v4l/by-id/usb-Cam-video-index0"), QStringLiteral("Cam"),
                         QStringLiteral("/dev/video0")},
                        {QStringLiteral("/dev/v4l/by-id/usb-Other-video-index0"), QStringLiteral("Other"),
                         QStringLiteral("/dev/video2")}};
        config.separatePath = dir.filePath(QStringLiteral("rec.webcam.mp4"));
    }
    void frame(QSize size, int64_t ptsNs) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::blue);
        cameras.deliver({image, ptsNs});
    }
};

struct ChoiceCase {
    const char* selected; // nullptr: none
    bool devices;
    const char* openError;
    const char* opened; // nullptr: the start fails
    const char* message;
};

class CameraChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(CameraChoiceTest, ChosenCameraElseTheDefaultElseNone) {
    const ChoiceCase& c = GetParam();
    test::LogCapture logs;
    CameraRig rig;
    if (!c.devices) {
        rig.cameras.list.clear();
    }
    rig.cameras.openError = QString::fromUtf8(c.openError);
    if (c.selected) {
        rig.config.deviceId = QString::fromUtf8(c.selected);
    }
    EXPECT_EQ(rig.camera.start(&rig.cameras, rig.config), c.opened != nullptr);
    if (c.opened) {
        EXPECT_EQ(rig.cameras.opened, QString::fromUtf8(c.opened));
    }
    EXPECT_TRUE(logs.contains(QString::fromUtf8(c.message))) << logs.messages().join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Devices, CameraChoiceTest,
    ::testing::Values(
        ChoiceCase{"/dev/v4l/by-id/usb-Other-video-index0", true, "", "/dev/v4l/by-id/usb-Other-video-index0",
                   "[Recording] 攝影機捕獲已啟動 (Webcam PiP)"},
        ChoiceCase{"/dev/v4l/by-id/usb-Gone-video-index0", true, "", "/dev/v4l/by-id/usb-Cam-video-index0",
                   "[Recording] 選定攝影機不存在, 改用預設設備 (id=/dev/v4l/by-id/usb-Gone-video-index0)"},
        ChoiceCase{nullptr, false, "", nullptr, "[Recording] 找不到攝影機設備 (id=default)"},
        ChoiceCase{"gone", false, "", nullptr, "[Recording] 找不到攝影機設備 (id=gone)"},
        ChoiceCase{"file:/clips/face.mp4", false, "", "file:/clips/face.mp4",
                   "[Recording] 攝影機捕獲已啟動 (Webcam PiP)"},
        ChoiceCase{"file:/missing.mp4", false, "/missing.mp4: No such file or directory", nullptr,
                   "[Recording] 攝影機輸入創建失敗: /missing.mp4: No such file or directory"}));

TEST(RecordingCamera, SeparateFileStartsAtTheRecordingsTimeZeroWithEvenSizeAndItsBitrate) {
    CameraRig rig;
    ASSERT_TRUE(rig.camera.start(&rig.cameras, rig.config));
    rig.timeline.begin(30);
    rig.frame({641, 481}, 500); // no session yet: the writer is made, the frame not kept
    ASSERT_TRUE(rig.timeline.admitVideo(1'000));
    rig.frame({641, 481}, 1'400);
    rig.frame({641, 481}, 1'800);
    EXPECT_EQ(rig.log->config.width, 640);
    EXPECT_EQ(rig.log->config.height, 480);
    EXPECT_EQ(rig.log->config.bitrate, 2'000'000); // 4 x 640 x 480 is less
    EXPECT_EQ(rig.log->sessionStartNs, 1'000);
    EXPECT_EQ(rig.log->videoPts, (std::vector<int64_t>{1'000, 1'800}));
    rig.timeline.end();
    test::LogCapture logs;
    EXPECT_EQ(rig.camera.finishSeparateFile(true), rig.config.separatePath);
    EXPECT_TRUE(logs.contains(QStringLiteral("[Recording] webcam sibling 已寫: ") + rig.config.separatePath));
}

struct FinishCase {
    bool frameKept;
    bool mainOk;
    bool emptyFile;
    const char* message;
};

class SeparateFileFinishTest : public ::testing::TestWithParam<FinishCase> {};

TEST_P(SeparateFileFinishTest, NoSiblingIsLeftWhenItCannotBeGood) {
    const FinishCase& c = GetParam();
    CameraRig rig;
    ASSERT_TRUE(rig.camera.start(&rig.cameras, rig.config));
    rig.timeline.begin(30);
    ASSERT_TRUE(rig.timeline.admitVideo(1'000));
    rig.frame({640, 480}, c.frameKept ? 2'000 : 900);
    if (c.emptyFile) {
        QFile(rig.config.separatePath).resize(0);
    }
    rig.timeline.end();
    test::LogCapture logs;
    EXPECT_FALSE(rig.camera.finishSeparateFile(c.mainOk));
    EXPECT_TRUE(logs.contains(QString::fromUtf8(c.message))) << logs.messages().join('\n').toStdString();
    EXPECT_FALSE(QFile::exists(rig.config.separatePath));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SeparateFileFinishTest,
    ::testing::Values(FinishCase{true, false, false, "[Recording] 主 writer 失敗, 同步取消 webcam sibling"},
                      FinishCase{true, true, true, "[Recording] webcam sibling 空檔, 丟棄"}));

} // namespace
} // namespace mebo
