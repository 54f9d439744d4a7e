// The timeline's pictures and sound peaks: where pictures are taken, how samples fold into peaks,
// the worker's hand-over and generations (fakes; a real recording: VideoEditorLookTest).
#include "support/ScriptedFrames.h"
#include "support/TestUtil.h"

#include "video/VideoTimelineStrips.h"

#include <gtest/gtest.h>
#include <thread>

using namespace mebo;

namespace {

TEST(ThumbnailTimes, OnePerTwoSecondsInTheMiddleOfEachStretch) {
    const struct {
        double duration;
        qsizetype count;
        double first, last;
    } cases[] = {{0, 0, 0, 0},     {-1, 0, 0, 0}, {std::numeric_limits<double>::quiet_NaN(), 0, 0, 0},
                 {1, 1, 0.5, 0.5}, {10, 5, 1, 9}, {3600, 120, 15, 3585}};
    for (const auto& c : cases) {
        const QList<double> times = VideoTimelineStrips::thumbnailTimes(c.duration);
        ASSERT_EQ(times.size(), c.count) << c.duration;
        if (c.count > 0) {
            EXPECT_NEAR(times.first(), c.first, 1e-9);
            EXPECT_NEAR(times.last(), c.last, 1e-9);
            EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
        }
    }
}

TEST(FoldPeaks, EachBucketKeepsItsLoudestSampleOfEitherChannel) {
    QVector<float> peaks;
    // 10 s at 100 samples a second: 1000 samples over 2000 buckets.
    std::vector<float> samples(200 * 2, 0.0f);
    samples[size_t(50) * 2 + 1] = -0.8f; // right channel, sample 550 overall: t = 5.5 s
    samples[size_t(60) * 2] = 0.3f;
    samples[size_t(61) * 2] = 1.7f; // clipped
    VideoTimelineStrips::foldPeaks(samples.data(), 200, 500, 10, 100, peaks);
    ASSERT_EQ(peaks.size(), VideoTimelineStrips::kPeakCount);
    EXPECT_FLOAT_EQ(peaks[1100], 0.8f);
    EXPECT_FLOAT_EQ(peaks[1120], 0.3f);
    EXPECT_FLOAT_EQ(peaks[1122], 1.0f);
    // A later fold keeps the louder of the two.
    std::vector<float> quiet(2, 0.1f);
    VideoTimelineStrips::foldPeaks(quiet.data(), 1, 550, 10, 100, peaks);
    EXPECT_FLOAT_EQ(peaks[1100], 0.8f);
    // Past the end: ignored.
    VideoTimelineStrips::foldPeaks(quiet.data(), 1, 1000, 10, 100, peaks);
    EXPECT_FLOAT_EQ(peaks[1999], 0.0f);
}

// Sound loud (0.5) in its first half only.
class HalfLoud : public platform::EditedAudioSource {
public:
    bool open(const QString&, const QList<platform::CompositionPiece>& map,
              const QList<platform::CompositionAudioTrack>& tracks, QString*) override {
        length_ = map.isEmpty() ? 0 : map.first().compDuration;
        return !tracks.isEmpty();
    }
    bool render(float* out, int frames, QString*) override {
        for (int i = 0; i < frames; ++i, ++done_) {
            out[i * 2] = out[i * 2 + 1] = done_ < length_ * kRate / 2 ? 0.5f : 0.0f;
        }
        return true;
    }

private:
    double length_ = 0;
    qint64 done_ = 0;
};

struct StripWorker : ::testing::Test {
    std::shared_ptr<test::FrameScript> log = [] {
        auto s = std::make_shared<test::FrameScript>();
        s->duration = 20, s->size = {64, 36}, s->keyFrameEvery = 2, s->gateQuick = true;
        return s;
    }();
    VideoTimelineStrips::Services services{
        [this](QString*) { return std::make_unique<test::ScriptedFrames>(log); },
        [](QString*) { return std::make_unique<HalfLoud>(); }};
};

TEST_F(StripWorker, PicturesThenPeaksHandedOverAsTheyGrow) {
    VideoTimelineStrips strips(services, QStringLiteral("Clip.mp4"), 20, {1, 2});
    int changes = 0;
    QObject::connect(&strips, &VideoTimelineStrips::changed, [&] { ++changes; });
    strips.start();
    ASSERT_TRUE(test::waitUntil([&] { return strips.finished(); }, 30000));
    ASSERT_EQ(strips.thumbnails().size(), 10);
    EXPECT_NEAR(strips.thumbnails()[3].time, 6, 1e-9) << "the key frame's own time";
    EXPECT_EQ(qGreen(strips.thumbnails()[3].image.pixel(0, 0)), 60);
    ASSERT_EQ(strips.peaks().size(), VideoTimelineStrips::kPeakCount);
    EXPECT_DOUBLE_EQ(strips.peaksDone(), 1.0);
    EXPECT_FLOAT_EQ(strips.peaks()[10], 0.5f);
    EXPECT_FLOAT_EQ(strips.peaks()[1990], 0.0f);
    EXPECT_GT(changes, 10);
}

TEST_F(StripWorker, SilentSourceHasNoPeaksAndARestartDropsTheOlderRun) {
    VideoTimelineStrips strips(services, QStringLiteral("Clip.mp4"), 20, {});
    log->setGate(true);
    strips.start();
    ASSERT_TRUE(test::waitUntil([&] { return log->read(&test::FrameScript::quick).size() == 1; }));
    const quint64 first = strips.generation();
    // Opens the gate once the restart has begun, while the main thread waits for the held run.
    std::thread opener([&] {
        while (strips.generation() == first) {
            std::this_thread::yield();
        }
        log->setGate(false);
    });
    strips.start(); // waits for the held run, which stops there
    opener.join();
    EXPECT_GT(strips.generation(), first);
    ASSERT_TRUE(test::waitUntil([&] { return strips.finished(); }, 30000));
    QCoreApplication::processEvents();
    EXPECT_EQ(strips.thumbnails().size(), 10) << "nothing of the older run";
    EXPECT_TRUE(strips.peaks().isEmpty());
    EXPECT_EQ(log->read(&test::FrameScript::made), 2);
}

} // namespace
