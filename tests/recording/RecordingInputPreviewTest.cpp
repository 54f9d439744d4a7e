#include "recording/RecordingInputPreview.h"
#include "support/RecordingFakes.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

namespace mebo {
namespace {

using test::FakeCameras;

// The preview over fake sources: the levels and pictures it announced, as the panel sees them.
struct PreviewRig {
    test::FakeAudioCapture audio;
    FakeCameras cameras;
    RecordingInputPreview preview{&audio, [this] { return &cameras; }};
    float system = -1;
    float mic = -1;
    QList<QImage> pictures;
    RecordingPanelConfiguration config;

    PreviewRig() {
        audio.list << platform::AudioSourceInfo{QStringLiteral("mic-2"), QStringLiteral("Headset"), false};
        cameras.list = {{QStringLiteral("/dev/v4l/by-id/usb-Cam-video-index0"), QStringLiteral("Cam"),
                         QStringLiteral("/dev/video0")}};
        QObject::connect(&preview, &RecordingInputPreview::levelsChanged, [this](float s, float m) {
            system = s;
            mic = m;
        });
        QObject::connect(&preview, &RecordingInputPreview::previewChanged,
                         [this](const QImage& p) { pictures << p; });
        config.systemAudioOn = true;
        config.microphoneOn = true;
        config.webcamOn = true;
    }
    void frame(int64_t ptsNs, QSize size = {64, 36}) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::green);
        cameras.deliver({image, ptsNs});
    }
};

struct SourceCase {
    const char* mic;    // the chosen microphone; nullptr: none
    const char* camera; // the chosen camera; nullptr: none
    const char* openedMic;
    const char* openedCamera;
};

class PreviewSourceTest : public ::testing::TestWithParam<SourceCase> {};

TEST_P(PreviewSourceTest, TheChosenDevicesElseTheDefaultOnes) {
    const SourceCase& c = GetParam();
    PreviewRig rig;
    if (c.mic) {
        rig.config.selectedMicDeviceId = QString::fromUtf8(c.mic);
    }
    if (c.camera) {
        rig.config.selectedCameraDeviceId = QString::fromUtf8(c.camera);
    }
    rig.preview.apply(rig.config);
    EXPECT_EQ(rig.preview.systemSource(), QStringLiteral("sink.monitor"));
    EXPECT_EQ(rig.preview.microphoneSource(), QString::fromUtf8(c.openedMic));
    EXPECT_EQ(rig.preview.cameraSource(), QString::fromUtf8(c.openedCamera));
    EXPECT_EQ(rig.cameras.opened, QString::fromUtf8(c.openedCamera));
}

INSTANTIATE_TEST_SUITE_P(
    Devices, PreviewSourceTest,
    ::testing::Values(SourceCase{nullptr, nullptr, "mic-1", "/dev/v4l/by-id/usb-Cam-video-index0"},
                      SourceCase{"mic-2", "/dev/v4l/by-id/usb-Cam-video-index0", "mic-2",
                                 "/dev/v4l/by-id/usb-Cam-video-index0"},
                      // Gone: the defaults, as the recording will use them.
                      SourceCase{"unplugged", "/dev/v4l/by-id/usb-Gone-video-index0", "mic-1",
                                 "/dev/v4l/by-id/usb-Cam-video-index0"},
                      // A monitor is system audio, never a microphone.
                      SourceCase{"sink.monitor", "file:/clips/face.mp4", "mic-1", "file:/clips/face.mp4"}));

TEST(RecordingInputPreview, LevelsFollowTheOpenSourcesAndFallSilentWhenSwitchedOff) {
    PreviewRig rig;
    rig.preview.apply(rig.config);
    // Constant 0.1: RMS 0.1, shown as 5 x RMS.
    // Buffers keep coming while waiting: a level older than 0.18 s is silence.
    ASSERT_TRUE(test::waitUntil(
        [&] { return rig.audio.deliver(QStringLiteral("sink.monitor"), 0, 0.1f) && rig.system > 0.49f; },
        5000));
    EXPECT_NEAR(rig.system, 0.5f, 0.001f);
    ASSERT_TRUE(test::waitUntil(
        [&] { return rig.audio.deliver(QStringLiteral("mic-1"), 0, 0.04f) && rig.mic > 0.19f; }, 5000));
    EXPECT_NEAR(rig.mic, 0.2f, 0.001f);
    // A level not renewed goes back to silence.
    ASSERT_TRUE(test::waitUntil([&] { return rig.system == 0.0f && rig.mic == 0.0f; }, 5000));

    // Another microphone: the old stream closes, the new one opens; the monitor stays open.
    const qsizetype opens = rig.audio.opened.size();
    rig.config.selectedMicDeviceId = QStringLiteral("mic-2");
    rig.preview.apply(rig.config);
    EXPECT_FALSE(rig.audio.deliver(QStringLiteral("mic-1"), 0));
    EXPECT_TRUE(rig.audio.deliver(QStringLiteral("mic-2"), 0));
    EXPECT_EQ(rig.audio.opened.size(), opens + 1);

    rig.config.microphoneOn = false;
    rig.config.systemAudioOn = false;
    rig.preview.apply(rig.config);
    EXPECT_FALSE(rig.audio.deliver(QStringLiteral("mic-2"), 0));
    EXPECT_FALSE(rig.audio.deliver(QStringLiteral("sink.monitor"), 0));
    EXPECT_EQ(rig.preview.microphoneSource(), QString());
    EXPECT_EQ(rig.system, 0.0f);
}

TEST(RecordingInputPreview, PicturesAtMostTwelveASecondAndSmall) {
    PreviewRig rig;
    test::LogCapture logs;
    rig.preview.apply(rig.config);
    ASSERT_TRUE(rig.cameras.deliver);
    // A twelfth of a second is 83.3 ms: of these, 0, 85, 170 and 260 ms are shown.
    for (int64_t ms : {0, 40, 80, 85, 120, 168, 170, 200, 259, 260}) {
        rig.frame(1'000'000'000LL + ms * 1'000'000LL, ms == 260 ? QSize(1280, 720) : QSize(64, 36));
    }
    ASSERT_TRUE(test::waitUntil([&] { return rig.pictures.size() >= 4; }, 5000));
    test::waitUntil([] { return false; }, 50);
    ASSERT_EQ(rig.pictures.size(), 4);
    EXPECT_EQ(rig.pictures[0].size(), QSize(64, 36));
    EXPECT_EQ(rig.pictures[3].size(), QSize(RecordingInputPreview::previewWidth, 180));
    EXPECT_EQ(logs.messages().filter(QStringLiteral("[RecordingPreview] 攝影機預覽已顯示 ")).size(), 1);
}

TEST(RecordingInputPreview, StopClosesEverythingAndLateFramesAreDropped) {
    PreviewRig rig;
    rig.preview.apply(rig.config);
    rig.preview.apply(rig.config); // nothing changed: nothing reopened
    EXPECT_EQ(rig.cameras.opens, 1);
    const auto lateFrame = rig.cameras.deliver;
    rig.preview.stop();
    EXPECT_FALSE(rig.preview.running());
    EXPECT_EQ(rig.cameras.stops, 1);
    EXPECT_FALSE(rig.audio.deliver(QStringLiteral("sink.monitor"), 0));
    EXPECT_FALSE(rig.audio.deliver(QStringLiteral("mic-1"), 0));
    EXPECT_EQ(rig.system, 0.0f);
    EXPECT_EQ(rig.mic, 0.0f);
    QImage image(64, 36, QImage::Format_RGB32);
    lateFrame({image, 5'000'000'000LL}); // a frame already on its way when the camera stopped
    test::waitUntil([] { return false; }, 100);
    EXPECT_TRUE(rig.pictures.isEmpty());
}

TEST(RecordingInputPreview, ACameraThatCannotOpenIsLoggedAndLeftOut) {
    PreviewRig rig;
    test::LogCapture logs;
    rig.cameras.openError = QStringLiteral("/dev/video0: Device or resource busy");
    rig.preview.apply(rig.config);
    EXPECT_EQ(rig.preview.cameraSource(), QString());
    EXPECT_TRUE(logs.contains(QStringLiteral("[RecordingPreview] 攝影機預覽無法開啟 "
                                             "/dev/v4l/by-id/usb-Cam-video-index0: /dev/video0: Device or "
                                             "resource busy")));
    // Once the camera is free, switching it off and on again opens it.
    rig.cameras.openError.clear();
    rig.config.webcamOn = false;
    rig.preview.apply(rig.config);
    rig.config.webcamOn = true;
    rig.preview.apply(rig.config);
    EXPECT_EQ(rig.preview.cameraSource(), QStringLiteral("/dev/v4l/by-id/usb-Cam-video-index0"));
}

} // namespace
} // namespace mebo
