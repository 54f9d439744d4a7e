#include "app/Cfg.h"
#include "recording/RecordingOptions.h"
#include "recording/RecordingPanelConfiguration.h"
#include "recording/RecordingSegmentTracker.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace mebo {
namespace {

TEST(RecordingOptions, EffectiveFrameRateKeepsTheOfferedRatesOnly) {
    for (int fps : {5, 10, 15, 24, 30, 60}) {
        EXPECT_EQ(effectiveFrameRate(fps), fps);
    }
    for (int fps : {0, -1, 1, 20, 25, 29, 120}) {
        EXPECT_EQ(effectiveFrameRate(fps), 15) << fps;
    }
}

TEST(RecordingOptions, BitrateFollowsPixelsRateAndPreset) {
    struct Case {
        QSize size;
        int fps;
        QualityPreset preset;
        int64_t expected;
    };
    const Case cases[] = {
        {{3840, 2160}, 30, QualityPreset::high, 23'800'000},     // 8,294,400 px: base 28 M, factor 0.85
        {{1920, 1080}, 60, QualityPreset::standard, 18'360'000}, // 18 M x 1.7 x 0.6
        {{1920, 1080}, 20, QualityPreset::high, 7'650'000},      // fallback 15: factor 0.425
        {{640, 360}, 5, QualityPreset::original, 10'800'000},    // factor raised to 0.4
        {{3840, 2162}, 30, QualityPreset::high, 38'250'000},     // past 8,300,000 px: base 45 M
    };
    for (const Case& c : cases) {
        EXPECT_EQ(recordingBitrate(c.size, c.fps, c.preset), c.expected)
            << c.size.width() << "x" << c.size.height();
    }
}

TEST(RecordingOptions, OutputSizeIsTruncatedToEvenPixels) {
    EXPECT_EQ(recordingOutputSize({1920, 1080}, 2.0), QSize(3840, 2160));
    EXPECT_EQ(recordingOutputSize({101.7, 51}, 1.0), QSize(100, 50));
    EXPECT_EQ(recordingOutputSize({1, 300}, 1.0), QSize(0, 300)); // one pixel wide: nothing to record
}

// A choice of each menu reaching the settings is the panel widget's test; here the ends.
TEST(RecordingPanelConfiguration, MenusMapIndexesWithTheirFallbacks) {
    EXPECT_EQ(RecordingPanelConfiguration::positionForIndex(0), WebcamPosition::topLeft);
    EXPECT_EQ(RecordingPanelConfiguration::positionForIndex(7), WebcamPosition::bottomRight);
    EXPECT_EQ(RecordingPanelConfiguration::qualityForIndex(2), QStringLiteral("original"));
    EXPECT_EQ(RecordingPanelConfiguration::qualityForIndex(-1), QStringLiteral("high"));
    EXPECT_EQ(RecordingPanelConfiguration::fpsForIndex(6), 15);
    EXPECT_EQ(RecordingPanelConfiguration::codecForIndex(3), QStringLiteral("h264"));
}

// What the panel writes to the settings and reads back is the panel view-model's test; here what
// reaches the recorder's options.
TEST(RecordingPanelConfiguration, ApplyingNormalisesIntoTheRecordersOptions) {
    test::FakeDefaultsStore store;
    Cfg cfg(store);
    RecordingPanelConfiguration c;
    c.videoCodec = QStringLiteral("HEVC"); // only "hevc" is HEVC
    c.quality = QStringLiteral("ultra");
    RecordingOptions o;
    o.recordCursorHaloEnabled = false; // not the panel's to change
    c.applyTo(cfg, o);
    EXPECT_EQ(o.videoCodec, VideoCodec::h264);
    EXPECT_EQ(o.qualityPreset, QualityPreset::high);
    EXPECT_FALSE(o.recordCursorHaloEnabled);
    // The controls are no settings.
    using K = RecordingPanelAction::Kind;
    for (K control : {K::stop, K::pauseResume, K::restart, K::cancel, K::startRecording}) {
        const RecordingPanelAction a{control, {}};
        EXPECT_TRUE(a.isControl());
        EXPECT_EQ(a.appliedTo(c), c);
    }
    EXPECT_FALSE(RecordingPanelAction({K::toggleWebcam, true}).isControl());
}

TEST(RecordingSegmentTracker, SegmentsFollowPausesAndDropTinyOnes) {
    RecordingSegmentTracker s;
    s.begin();
    s.close(4.0);  // pause at 4 s
    s.open();      // resume
    s.close(4.03); // paused again 0.03 s later: too short, but the next starts at its end
    s.open();
    s.close(9.5); // stop
    ASSERT_EQ(s.segments().size(), 2);
    EXPECT_DOUBLE_EQ(s.segments()[0].startSec, 0);
    EXPECT_DOUBLE_EQ(s.segments()[0].endSec, 4.0);
    EXPECT_DOUBLE_EQ(s.segments()[1].startSec, 4.03);
    EXPECT_DOUBLE_EQ(s.segments()[1].endSec, 9.5);
    EXPECT_NE(s.segments()[0].id, s.segments()[1].id); // a stop while paused: the recorder's test
}

} // namespace
} // namespace mebo
