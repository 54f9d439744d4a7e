#include "recording/RecordingCamera.h"
#include "recording/WebcamPip.h"
#include "support/RecordingFakes.h"
#include "support/TestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo {
namespace {

TEST(WebcamPipGeometry, SizeFromScaleAndAspectPlacedTwentyPixelsFromTheEdges) {
    const struct {
        QSize screen, camera;
        double scale;
        WebcamPosition position;
        QRect rect;
        double radius;
    } cases[] = {
        // Bottom right on a 1920 x 1080 screen is the command line's picture-in-picture test.
        {{1920, 1080}, {1280, 720}, 0.2, WebcamPosition::bottomLeft, {20, 844, 384, 216}, 3.6},
        {{1920, 1080}, {1280, 720}, 0.2, WebcamPosition::topLeft, {20, 20, 384, 216}, 3.6},
        {{1920, 1080}, {1280, 720}, 0.4, WebcamPosition::topRight, {1132, 20, 768, 432}, 7.2},
        // A 4:3 camera keeps its aspect; a picture narrower than its camera shrinks the radius.
        {{1000, 600}, {640, 480}, 0.1, WebcamPosition::bottomRight, {880, 505, 100, 75}, 1.875},
    };
    for (const auto& c : cases) {
        const WebcamPipGeometry g = webcamPipGeometry(c.screen, c.camera, c.scale, c.position);
        EXPECT_EQ(g.rect, c.rect);
        EXPECT_NEAR(g.cornerRadius, c.radius, 1e-9);
    }
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

TEST(RecordingCamera, ChosenCameraElseTheDefaultElseNone) {
    const QString cam = QStringLiteral("/dev/v4l/by-id/usb-Cam-video-index0");
    const QString other = QStringLiteral("/dev/v4l/by-id/usb-Other-video-index0");
    const QString gone = QStringLiteral("/dev/v4l/by-id/usb-Gone-video-index0");
    const struct {
        std::optional<QString> selected;
        bool devices;
        QString opened, message; // opened empty: the start fails
    } cases[] = {
        {other, true, other, "[Recording] 攝影機捕獲已啟動 (Webcam PiP)"},
        {gone, true, cam, "[Recording] 選定攝影機不存在, 改用預設設備 (id=" + gone + ")"},
        {{}, false, {}, "[Recording] 找不到攝影機設備 (id=default)"},
        // A clip as the camera, and one that is missing, are the command line's webcam tests.
        {"gone", false, {}, "[Recording] 找不到攝影機設備 (id=gone)"},
    };
    for (const auto& c : cases) {
        test::LogCapture logs;
        CameraRig rig;
        if (!c.devices) {
            rig.cameras.list.clear();
        }
        rig.config.deviceId = c.selected;
        EXPECT_EQ(rig.camera.start(&rig.cameras, rig.config), !c.opened.isEmpty());
        EXPECT_EQ(rig.cameras.opened, c.opened);
        EXPECT_TRUE(logs.contains(c.message)) << logs.messages().join('\n').toStdString();
    }
}

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
    EXPECT_EQ(rig.camera.finishSeparateFile(true), rig.config.separatePath); // its line: the command line's
}

// No sibling is left when it cannot be good: the main file failed, or the sibling is empty.
TEST(RecordingCamera, NoSiblingIsLeftWhenItCannotBeGood) {
    for (const bool mainFailed : {true, false}) {
        CameraRig rig;
        ASSERT_TRUE(rig.camera.start(&rig.cameras, rig.config));
        rig.timeline.begin(30);
        ASSERT_TRUE(rig.timeline.admitVideo(1'000));
        rig.frame({640, 480}, 2'000);
        if (!mainFailed) {
            QFile(rig.config.separatePath).resize(0);
        }
        rig.timeline.end();
        test::LogCapture logs;
        EXPECT_FALSE(rig.camera.finishSeparateFile(!mainFailed));
        EXPECT_TRUE(logs.contains(mainFailed
                                      ? QStringLiteral("[Recording] 主 writer 失敗, 同步取消 webcam sibling")
                                      : QStringLiteral("[Recording] webcam sibling 空檔, 丟棄")))
            << logs.messages().join('\n').toStdString();
        EXPECT_FALSE(QFile::exists(rig.config.separatePath));
    }
}

} // namespace
} // namespace mebo
