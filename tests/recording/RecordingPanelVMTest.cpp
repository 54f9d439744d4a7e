#include "recording/RecordingPanelVM.h"
#include "support/RecordingPanelParts.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace mebo {
namespace {

using K = RecordingPanelAction::Kind;

struct PanelFixture : ::testing::Test, test::RecordingPanelParts {};

// Each control's choice reaching the settings is the panel widget's test; here the values refused.
TEST_F(PanelFixture, SettingsAreNormalisedAndWrittenThrough) {
    struct Case {
        RecordingPanelAction action;
        std::function<bool(const RecordingPanelConfiguration&)> holds;
    };
    const Case cases[] = {
        {{K::setWebcamScale, 0.9}, [](auto& c) { return c.webcamScale == 0.4; }},
        {{K::setWebcamScale, 0.01}, [](auto& c) { return c.webcamScale == 0.1; }},
        {{K::setWebcamScale, std::nan("")}, [](auto& c) { return c.webcamScale == 0.2; }},
        {{K::setFps, 20}, [](auto& c) { return c.fps == 15; }},
        {{K::setVideoCodec, QStringLiteral("HEVC")}, [](auto& c) { return c.videoCodec == "h264"; }},
        {{K::setQuality, QStringLiteral("ultra")}, [](auto& c) { return c.quality == "high"; }},
    };
    for (const Case& c : cases) {
        vm.perform(c.action);
        EXPECT_TRUE(c.holds(vm.configuration())) << int(c.action.kind);
        // What the panel shows is what the next start reads from the settings.
        EXPECT_EQ(RecordingPanelConfiguration::fromCfg(cfg), vm.configuration()) << int(c.action.kind);
    }
}

TEST_F(PanelFixture, SettingsAreFrozenWhileARecordingRuns) {
    vm.setState(RecordingState::recording);
    QSignalSpy changed(&vm, &RecordingPanelVM::configurationChanged);
    vm.perform({K::toggleMicrophone, true});
    vm.perform({K::setFps, 60});
    EXPECT_EQ(changed.count(), 0);
    EXPECT_FALSE(cfg.recordMicrophone());
    EXPECT_FALSE(vm.settingsEditable());
}

TEST_F(PanelFixture, ControlsFollowTheRecorderState) {
    struct Case {
        RecordingState state;
        bool startAvailable;
        QStringList expected; // of start, stop, pauseResume, restart, cancel in turn
    };
    const Case cases[] = {
        {RecordingState::idle, true, {"start", "cancel"}},
        {RecordingState::idle, false, {"cancel"}},
        {RecordingState::preparing, true, {"cancel"}},
        {RecordingState::recording, true, {"stop", "pauseResume", "restart", "cancel"}},
        {RecordingState::paused, true, {"stop", "pauseResume", "restart", "cancel"}},
        {RecordingState::stopping, true, {}},
    };
    for (const Case& c : cases) {
        vm.setState(c.state);
        vm.setStartAvailable(c.startAvailable);
        called.clear();
        for (K k : {K::startRecording, K::stop, K::pauseResume, K::restart, K::cancel}) {
            vm.perform({k, {}});
        }
        EXPECT_EQ(called, c.expected) << recordingStateName(c.state).toStdString();
    }
}

TEST_F(PanelFixture, DeviceMenusStartWithDefaultAndKeepAGoneChoice) {
    vm.setMicrophones(
        {{QStringLiteral("usb"), QStringLiteral("USB Mic")}, {std::nullopt, QStringLiteral("x")}});
    ASSERT_EQ(vm.microphoneChoices().size(), 2);
    EXPECT_FALSE(vm.microphoneChoices()[0].id);
    EXPECT_EQ(vm.microphoneIndex(), 0);
    vm.perform({K::selectMicDevice, std::optional<QString>(QStringLiteral("usb"))});
    EXPECT_EQ(vm.microphoneIndex(), 1);
    EXPECT_EQ(cfg.selectedMicDeviceId(), QStringLiteral("usb"));
    // The chosen camera was unplugged: it stays in the menu, marked, and stays chosen.
    vm.perform({K::selectCameraDevice, std::optional<QString>(QStringLiteral("/dev/v4l/by-id/cam"))});
    vm.setCameras({{QStringLiteral("/dev/v4l/by-id/other"), QStringLiteral("Other")}});
    const auto cams = vm.cameraChoices();
    ASSERT_EQ(cams.size(), 3);
    EXPECT_EQ(vm.cameraIndex(), 2);
    EXPECT_TRUE(cams[2].name.endsWith(QStringLiteral("(not connected)")));
}

TEST_F(PanelFixture, PreviewIsThrottledToTwelvePerSecondAndOnlyWithTheCamera) {
    QImage picture(8, 6, QImage::Format_RGB32);
    EXPECT_FALSE(vm.offerPreview(picture, 0)); // webcam off
    vm.perform({K::toggleWebcam, true});
    int kept = 0;
    for (int i = 0; i <= 100; ++i) { // one second at 100 offers a second
        kept += vm.offerPreview(picture, i * 0.01) ? 1 : 0;
    }
    EXPECT_GE(kept, 11);
    EXPECT_LE(kept, 12);
    EXPECT_FALSE(vm.preview().isNull());
    vm.perform({K::toggleWebcam, false});
    EXPECT_TRUE(vm.preview().isNull());
}

TEST_F(PanelFixture, LevelsAreClampedAndSilentForSourcesThatAreOff) {
    vm.setLevels(1.7f, 0.5f);
    EXPECT_FLOAT_EQ(vm.systemAudioLevel(), 1.0f);
    EXPECT_FLOAT_EQ(vm.microphoneLevel(), 0.0f); // microphone off by default
    vm.perform({K::toggleMicrophone, true});
    EXPECT_FLOAT_EQ(vm.microphoneLevel(), 0.5f);
    vm.setLevels(std::nanf(""), -1);
    EXPECT_FLOAT_EQ(vm.systemAudioLevel(), 0.0f);
    EXPECT_FLOAT_EQ(vm.microphoneLevel(), 0.0f);
}

// The panel's clock and the tray's paused status are the widgets' tests; here the edges.
TEST(RecordingPanelVM, ElapsedAndTrayTexts) {
    EXPECT_EQ(RecordingPanelVM::formatElapsed(7.9), QStringLiteral("00:07"));
    EXPECT_EQ(RecordingPanelVM::formatElapsed(3723), QStringLiteral("1:02:03"));
    EXPECT_EQ(RecordingPanelVM::formatElapsed(-3), QStringLiteral("00:00"));
    EXPECT_EQ(RecordingPanelVM::trayStatus(RecordingState::recording, 5), QStringLiteral("Recording 00:05"));
}

TEST(RecordingPanelVM, PanelIsPlacedOutsideTheRecordedRectangle) {
    const QRect screen(0, 0, 1920, 1080);
    const QSize panel(400, 120);
    struct Case {
        QList<QRect> screens;
        QRect recorded;
        std::optional<QRect> expected;
    };
    const Case cases[] = {
        {{screen}, {560, 200, 800, 500}, QRect(759, 712, 400, 120)}, // below, centred
        {{screen}, {560, 400, 800, 660}, QRect(759, 268, 400, 120)}, // no room below: above
        {{screen}, {0, 0, 1400, 1080}, QRect(1412, 479, 400, 120)},  // tall: to the right
        {{screen}, {0, 0, 1920, 1080}, std::nullopt},                // the whole display
        {{screen, QRect(1920, 0, 1280, 1024)}, {0, 0, 1920, 1080}, QRect(1932, 479, 400, 120)},
    };
    for (const Case& c : cases) {
        const auto placed = RecordingPanelVM::placeOutside(c.screens, c.recorded, panel);
        EXPECT_EQ(placed, c.expected) << c.recorded.x() << "," << c.recorded.y();
        if (placed) {
            EXPECT_FALSE(placed->intersects(c.recorded));
        }
    }
}

} // namespace
} // namespace mebo
