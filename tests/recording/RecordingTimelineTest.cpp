#include "recording/RecordingTimeline.h"

#include <gtest/gtest.h>

namespace mebo {
namespace {

constexpr int64_t ms = 1'000'000;
using Track = RecordingTimeline::AudioTrack;

// A timeline at 30 fps whose session started with a frame at 1 s.
struct Started : ::testing::Test {
    RecordingTimeline t;
    Started() {
        t.begin(30);
        t.videoAppended(1000 * ms, t.admitVideo(1000 * ms)->adjustedNs);
    }
};

// A pause before the first frame shifts nothing.
TEST(RecordingTimeline, FirstFrameStartsTheSessionAndLaterFramesKeepTheirTimes) {
    RecordingTimeline t;
    t.begin(30);
    t.pause(100 * ms);
    t.resume(900 * ms);
    EXPECT_FALSE(t.admitAudio(Track::system, 900 * ms)); // before the first frame
    EXPECT_FALSE(t.admitWebcam(900 * ms));
    auto first = t.admitVideo(1000 * ms);
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->startsSession);
    EXPECT_EQ(first->adjustedNs, 1000 * ms);
    t.videoAppended(1000 * ms, first->adjustedNs);
    auto second = t.admitVideo(1033 * ms);
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->startsSession);
    EXPECT_EQ(second->adjustedNs, 1033 * ms);
    EXPECT_EQ(t.sessionStartNs(), 1000 * ms);
}

TEST(RecordingTimeline, RepairsTimesThatDoNotMoveForward) {
    struct Case {
        int64_t durationNs, expectedStep;
    };
    // The frame's own duration when it has one, else one frame at the effective rate.
    for (const Case c : {Case{0, 1'000'000'000 / 30}, Case{20 * ms, 20 * ms}}) {
        RecordingTimeline t;
        t.begin(30);
        auto a = t.admitVideo(500 * ms);
        t.videoAppended(500 * ms, a->adjustedNs);
        auto b = t.admitVideo(500 * ms, c.durationNs); // the same time again
        ASSERT_TRUE(b);
        EXPECT_EQ(b->adjustedNs, 500 * ms + c.expectedStep);
        EXPECT_EQ(t.counters().videoPTSRepairCount, 1);
    }
}

// The first picture past a time limit ending the file at the limit is the command line's (a still
// screen's closing frame, its recording as long as asked).
TEST_F(Started, PauseRemovesThePausedIntervalFromVideoAndAudio) {
    t.pause(1500 * ms);
    EXPECT_FALSE(t.admitVideo(3000 * ms)); // frames while paused are not recorded
    EXPECT_FALSE(t.admitAudio(Track::system, 3000 * ms));
    t.resume(11500 * ms); // ten seconds later
    // Audio right after the resume continues where the pause began, before any new frame.
    EXPECT_EQ(t.admitAudio(Track::mic, 11510 * ms), 1510 * ms);
    // The screen changes again much later: its frame keeps the time it had since the resume.
    auto b = t.admitVideo(12000 * ms);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->adjustedNs, 2000 * ms);
    EXPECT_EQ(t.counters().videoPTSRepairCount, 0);
}

// The camera's frames as one more track.
TEST_F(Started, AudioIsKeptOnlyInsideTheSessionAndMovingForwardPerTrack) {
    EXPECT_FALSE(t.admitAudio(Track::system, 990 * ms)); // earlier than the session start
    EXPECT_FALSE(t.admitWebcam(990 * ms));
    EXPECT_EQ(t.admitWebcam(1010 * ms), 1010 * ms);
    EXPECT_FALSE(t.admitWebcam(1010 * ms));
    EXPECT_EQ(t.admitAudio(Track::system, 1010 * ms), 1010 * ms);
    EXPECT_FALSE(t.admitAudio(Track::system, 1010 * ms));      // not after the track's last
    EXPECT_EQ(t.admitAudio(Track::mic, 1010 * ms), 1010 * ms); // each track has its own
    EXPECT_EQ(t.admitAudio(Track::system, 1020 * ms), 1020 * ms);
}

TEST_F(Started, NothingIsAdmittedAfterTheStopTime) {
    t.setStopAt(2000 * ms);
    EXPECT_TRUE(t.admitVideo(1990 * ms));
    t.videoAppended(1990 * ms, 1990 * ms);
    EXPECT_FALSE(t.admitVideo(2001 * ms));
    EXPECT_FALSE(t.admitAudio(Track::system, 2001 * ms));
    EXPECT_FALSE(t.admitWebcam(2001 * ms));
    // A buffer that began before the stop keeps only its samples up to it.
    EXPECT_EQ(t.audioFramesBeforeStop(1900 * ms, 9600, 48000), 4800);
    EXPECT_EQ(t.audioFramesBeforeStop(1950 * ms, 960, 48000), 960);
    // A time limit (from the first frame) ends what is admitted before a late stop does.
    t.setDurationLimit(900 * ms);
    EXPECT_FALSE(t.admitAudio(Track::mic, 1901 * ms));
    EXPECT_EQ(t.audioFramesBeforeStop(1850 * ms, 9600, 48000), 2400);
    // A closing frame within a frame interval of the last one adds nothing.
    EXPECT_FALSE(t.admitVideo(2000 * ms, 0, true));
    t.end();
    EXPECT_FALSE(t.admitVideo(1995 * ms));
    EXPECT_FALSE(t.admitWebcam(1995 * ms));
    EXPECT_FALSE(t.isCapturing());
}

// Invalid times are counted and dropped; each recording counts from zero.
TEST(RecordingTimeline, CountersStartAtZeroForEachRecording) {
    RecordingTimeline t;
    t.begin(30);
    EXPECT_FALSE(t.admitVideo(std::nullopt));
    EXPECT_FALSE(t.admitAudio(Track::system, std::nullopt));
    EXPECT_EQ(t.counters().invalidVideoPTSCount, 1);
    EXPECT_FALSE(t.sessionStarted());
    t.countMissingFrameStatus(); // their logging is the recorder's test
    t.countNonCompleteFrame();
    EXPECT_EQ(t.countAudioAppendRejected(), 1);
    t.begin(30);
    const RecordingCounters c = t.counters();
    EXPECT_EQ(c.missingFrameStatusCount + c.nonCompleteFrameCount + c.audioAppendRejectCount +
                  c.invalidVideoPTSCount,
              0);
}

} // namespace
} // namespace mebo
