#include "recording/RecordingInputPreview.h"
#include "support/RecordingFakes.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

namespace mebo {
namespace {

// The preview over fake sources: the levels and pictures it announced, as the panel sees them.
struct PreviewRig {
    test::FakeAudioCapture audio;
    test::FakeCameraCapture cameras;
    RecordingInputPreview preview{&audio, [this] { return &cameras; }};
    float system = -1, mic = -1;
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
};

// None, or gone: the defaults, as the recording will use them; a monitor is system audio, never a
// microphone.
TEST(RecordingInputPreview, TheChosenDevicesElseTheDefaultOnes) {
    const QString cam = QStringLiteral("/dev/v4l/by-id/usb-Cam-video-index0");
    const struct {
        std::optional<QString> mic, camera;
        QString openedMic, openedCamera;
    } cases[] = {
        {"mic-2", cam, "mic-2", cam},
        {{}, "/dev/v4l/by-id/usb-Gone-video-index0", "mic-1", cam},
        {"sink.monitor", "file:/c.mp4", "mic-1", "file:/c.mp4"},
    };
    for (const auto& c : cases) {
        PreviewRig rig;
        rig.config.selectedMicDeviceId = c.mic;
        rig.config.selectedCameraDeviceId = c.camera;
        rig.preview.apply(rig.config);
        EXPECT_EQ(rig.preview.systemSource(), QStringLiteral("sink.monitor"));
        EXPECT_EQ(rig.preview.microphoneSource(), c.openedMic);
        EXPECT_EQ(rig.preview.cameraSource(), c.openedCamera);
    }
}

TEST(RecordingInputPreview, LevelsOfTheOpenSourcesOnlyAndPicturesAtMostTwelveASecond) {
    PreviewRig rig;
    rig.preview.apply(rig.config);
    rig.preview.apply(rig.config); // nothing changed: nothing reopened
    EXPECT_EQ(rig.cameras.opens, 1);
    // Constant 0.1 and 0.04: RMS shown as 5 x RMS; buffers keep coming (0.18 s old is silence).
    ASSERT_TRUE(test::waitUntil(
        [&] {
            return rig.audio.deliver(QStringLiteral("sink.monitor"), 0, 0.1f) &&
                   rig.audio.deliver(QStringLiteral("mic-1"), 0, 0.04f) && rig.system > 0.49f &&
                   rig.mic > 0.19f;
        },
        5000));
    EXPECT_NEAR(rig.system, 0.5f, 0.001f);
    EXPECT_NEAR(rig.mic, 0.2f, 0.001f);
    rig.config.microphoneOn = false;
    rig.preview.apply(rig.config);
    EXPECT_FALSE(rig.audio.deliver(QStringLiteral("mic-1"), 0));
    ASSERT_TRUE(test::waitUntil([&] { return rig.mic == 0.0f; }, 5000));

    // A twelfth of a second is 83.3 ms: of these, 0, 85, 170 and 260 ms are shown, small.
    for (int64_t ms : {0, 40, 80, 85, 120, 168, 170, 200, 250, 260}) {
        rig.cameras.deliver({QImage(ms == 260 ? QSize(1280, 720) : QSize(64, 36), QImage::Format_RGB32),
                             1'000'000'000LL + ms * 1'000'000LL});
    }
    ASSERT_TRUE(test::waitUntil([&] { return rig.pictures.size() >= 4; }, 5000));
    const auto lateFrame = rig.cameras.callback();
    rig.preview.stop();
    lateFrame({QImage(64, 36, QImage::Format_RGB32), 5'000'000'000LL}); // on its way as the camera stopped
    test::waitUntil([] { return false; }, 100);
    ASSERT_EQ(rig.pictures.size(), 4);
    EXPECT_EQ(rig.pictures[3].size(), QSize(RecordingInputPreview::previewWidth, 180));
    EXPECT_EQ(rig.cameras.stops, 1);
    EXPECT_FALSE(rig.audio.deliver(QStringLiteral("sink.monitor"), 0));
    EXPECT_EQ(rig.system, 0.0f);
}

} // namespace
} // namespace mebo
