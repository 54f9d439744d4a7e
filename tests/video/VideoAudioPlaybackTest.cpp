// The player's sound: which stretch of the edit is played from a point, and the worker that
// decodes and writes it (with fakes for the decoder and the sound server), driven by the player.
#include "support/ScriptedFrames.h"
#include "support/TestUtil.h"

#include "video/VideoAudioPlayback.h"
#include "video/VideoEditorVM.h"
#include "video/VideoExportPlan.h"
#include "video/VideoPlayer.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

using namespace mebo;
using platform::CompositionPiece;
using platform::MediaAudioRole;
using platform::MediaAudioTrack;
using platform::OutputRange;
using List = RegionRef::List;

namespace {

constexpr double kDuration = 10;

QUuid id() {
    return QUuid::createUuid();
}

const QList<MediaAudioTrack> kTracks{{1, "aac", 2, 48000, "System audio", MediaAudioRole::system, 10},
                                     {2, "aac", 1, 48000, "Microphone", MediaAudioRole::microphone, 10}};

std::optional<VideoAudioPlayback::Stretch> stretchAt(const VideoSnapshot& edit, double t) {
    const VideoExportPlan plan = VideoExportPlan::make(edit, QSize(160, 90), kDuration, 30, false);
    return VideoAudioPlayback::stretchFrom(plan, edit, kTracks, t);
}

TEST(VideoAudioStretch, StartsAtThePointAndFollowsTheMap) {
    const struct {
        const char* name;
        QList<TimeRange> cuts;
        QList<SpeedRegion> speeds;
        double t, outputStart;
        QList<CompositionPiece> map; // empty: nothing to play
    } cases[] = {
        {"plain", {}, {}, 2, 2, {{0, 2, 1, 8}}},
        {"over a cut", {{3, 5}}, {}, 2, 2, {{0, 2, 1, 1}, {1, 5, 1, 5}}},
        {"inside a cut", {{3, 5}}, {}, 4, 3, {{0, 5, 1, 5}}},
        {"before a fast stretch", {}, {{id(), 4, 8, 2}}, 2, 2, {{0, 2, 1, 2}, {2, 4, 2, 2}, {4, 8, 1, 2}}},
        {"inside a fast stretch", {}, {{id(), 4, 8, 2}}, 6, 5, {{0, 6, 2, 1}, {1, 8, 1, 2}}},
        {"at the end", {}, {}, 10, 0, {}},
        {"in a cut to the end", {{8, 10}}, {}, 9, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VideoSnapshot edit;
        for (const TimeRange& r : c.cuts) {
            edit.trimRegions.append({id(), r.start, r.end});
        }
        edit.speedRegions = c.speeds;
        const auto s = stretchAt(edit, c.t);
        ASSERT_EQ(s.has_value(), !c.map.isEmpty());
        if (s) {
            EXPECT_NEAR(s->outputStart, c.outputStart, 1e-9);
            EXPECT_NEAR(s->sourceStart, c.map.first().sourceStart, 1e-9);
            EXPECT_NEAR(s->outputDuration, c.map.last().compStart + c.map.last().compDuration, 1e-9);
            EXPECT_EQ(s->timeMap, c.map);
        }
    }
}

TEST(VideoAudioStretch, TracksFollowTheirSwitchesAndMutesFromThePoint) {
    VideoSnapshot edit;
    edit.systemAudioMuteRegions = {{id(), 1, 2.5}, {id(), 6, 7}};
    edit.micMuteRegions = {{id(), 0.5, 1.5}};
    edit.micTrackEnabled = false;
    const auto s = stretchAt(edit, 2);
    ASSERT_TRUE(s.has_value());
    ASSERT_EQ(s->tracks.size(), 2);
    EXPECT_EQ(s->tracks[0].streamIndex, 1);
    EXPECT_TRUE(s->tracks[0].enabled);
    EXPECT_EQ(s->tracks[0].mutedRanges, (QList<OutputRange>{{0, 0.5}, {4, 5}}))
        << "a mute running at the point starts the stretch";
    EXPECT_EQ(s->tracks[1].streamIndex, 2);
    EXPECT_FALSE(s->tracks[1].enabled);
    EXPECT_TRUE(s->tracks[1].mutedRanges.isEmpty()) << "a mute over before the point is dropped";
}

// What the worker did, shared with the fakes it runs.
struct SoundLog : test::WorkerLog {
    bool paced = false; // write() keeps pace with the clock, as a sound card does
    int outputsMade = 0, flushes = 0, writesEntered = 0;
    QList<QList<CompositionPiece>> opened; // per source opened, its map
    QList<QList<platform::CompositionAudioTrack>> openedTracks;
    QList<qint64> written; // frames per source opened
};

class FakeSource : public platform::EditedAudioSource {
public:
    explicit FakeSource(std::shared_ptr<SoundLog> log) : log_(std::move(log)) {}
    bool open(const QString&, const QList<CompositionPiece>& map,
              const QList<platform::CompositionAudioTrack>& tracks, QString*) override {
        std::lock_guard lock(log_->mutex);
        log_->opened.append(map);
        log_->openedTracks.append(tracks);
        log_->written.append(0);
        return true;
    }
    bool render(float* out, int frames, QString*) override {
        std::fill(out, out + frames * 2, 0.25f);
        return true;
    }

private:
    std::shared_ptr<SoundLog> log_;
};

class FakeOutput : public platform::AudioOutput {
public:
    explicit FakeOutput(std::shared_ptr<SoundLog> log) : log_(std::move(log)) {}
    bool open(QString*) override { return true; }
    bool write(const float*, int frames, QString*) override {
        std::unique_lock lock(log_->mutex);
        ++log_->writesEntered;
        log_->released.wait(lock, [&] { return !log_->gate; });
        log_->written.last() += frames;
        if (log_->paced) {
            // The server holds 20 ms; beyond that a write waits for the samples to be played.
            queued_ += frames;
            const auto playedUntil = std::chrono::steady_clock::now();
            if (!started_) {
                started_ = playedUntil;
            }
            const auto due = *started_ + std::chrono::microseconds(queued_ * 1'000'000 / 48000 - 20'000);
            log_->released.wait_until(lock, due, [] { return false; });
        }
        return true;
    }
    void flush() override {
        std::lock_guard lock(log_->mutex);
        ++log_->flushes;
        started_.reset();
        queued_ = 0;
    }
    double latencySec() override { return 0.02; }

private:
    std::shared_ptr<SoundLog> log_;
    std::optional<std::chrono::steady_clock::time_point> started_;
    qint64 queued_ = 0;
};

VideoAudioPlayback::Services fakeServices(const std::shared_ptr<SoundLog>& log) {
    return {[log](QString*) { return std::make_unique<FakeSource>(log); },
            [log](QString*) {
                std::lock_guard lock(log->mutex);
                ++log->outputsMade;
                return std::make_unique<FakeOutput>(log);
            }};
}

VideoAudioPlayback::Stretch shortStretch(double seconds, double sourceStart = 0) {
    return {sourceStart, 0, seconds, {{0, sourceStart, 1, seconds}}, {{1, true, {}}}};
}

struct AudioWorker : ::testing::Test {
    std::shared_ptr<SoundLog> log = std::make_shared<SoundLog>();
    VideoAudioPlayback audio{fakeServices(log), QStringLiteral("Clip.mp4"), kTracks};

    qint64 writtenFor(qsizetype stretch) {
        std::lock_guard lock(log->mutex);
        return stretch < log->written.size() ? log->written[stretch] : -1;
    }
};

TEST_F(AudioWorker, NewerStartSupersedesAndStopSilencesAtOnce) {
    log->setGate(true);
    audio.start(shortStretch(30));
    ASSERT_TRUE(test::waitUntil([&] { return log->read(&SoundLog::writesEntered) == 1; }));
    audio.start(shortStretch(30, 4));
    EXPECT_FALSE(audio.heardSec().has_value()) << "nothing of the newer stretch is heard yet";
    {
        std::lock_guard lock(log->mutex);
        log->paced = true; // the newer stretch plays in real time
    }
    log->setGate(false);
    ASSERT_TRUE(test::waitUntil([&] { return writtenFor(1) > 0; }));
    EXPECT_EQ(writtenFor(0), VideoAudioPlayback::kChunkFrames)
        << "the superseded stretch stopped at its chunk";
    EXPECT_NEAR(log->read(&SoundLog::opened)[1].first().sourceStart, 4, 1e-9);
    const int flushes = log->read(&SoundLog::flushes);
    EXPECT_GE(flushes, 2) << "what the old stretch left in the server is dropped";

    audio.stop();
    ASSERT_TRUE(test::waitUntil([&] { return log->read(&SoundLog::flushes) > flushes; }));
    EXPECT_LT(writtenFor(1), 30 * 48000);
    EXPECT_EQ(log->read(&SoundLog::outputsMade), 1) << "one stream for the player's life";
}

struct PlayerSound : AudioWorker {
    VideoEditorVM vm{kDuration, QStringLiteral("Clip.mp4")};
    std::unique_ptr<VideoPlayer> player;
    VideoAudioPlayback* sound = nullptr;

    void SetUp() override {
        log->paced = true;
        player = std::make_unique<VideoPlayer>(
            vm, std::make_unique<test::ScriptedFrames>(),
            VideoPlayer::Source{QStringLiteral("Clip.mp4"), {160, 90}, 30, {}, {}, {}});
        auto a = std::make_unique<VideoAudioPlayback>(fakeServices(log), QStringLiteral("Clip.mp4"), kTracks);
        sound = a.get();
        player->setAudio(std::move(a));
    }
    // Where the newest stretch opened starts in the source (-1: none yet).
    double lastStart() {
        const auto opened = log->read(&SoundLog::opened);
        return opened.isEmpty() ? -1 : opened.last().first().sourceStart;
    }
};

TEST_F(PlayerSound, PlayPauseSeekAndEditsStartAndStopTheSound) {
    // Where a stretch starts after a cut is the stretch's table; a seek heard, the stress test's.
    player->play();
    ASSERT_TRUE(test::waitUntil([&] { return lastStart() >= 0; }));

    vm.addRegion(List::micMute, {8.5, 9.5});
    ASSERT_TRUE(test::waitUntil([&] {
        const auto t = log->read(&SoundLog::openedTracks);
        return t.last().size() == 2 && t.last()[1].mutedRanges.size() == 1;
    })) << "a mute while playing is heard at once";

    player->pause();
    EXPECT_FALSE(sound->heardSec().has_value());
    const quint64 paused = sound->generation();
    player->seek(2);
    vm.addRegion(List::systemAudioMute, {1, 2});
    EXPECT_EQ(sound->generation(), paused) << "seeks and edits while paused stay silent";
}

// The UI's pace on both workers at once: seeks, edits and clock steps while playing, then the
// player destroyed with a decode under way and its pictures still queued. Under ThreadSanitizer
// this checks that pictures, previews and stretches cross the threads under locks only.
TEST_F(PlayerSound, SeeksEditsAndDestructionWhilePlaying) {
    player->play();
    for (int i = 0; i < 24; ++i) {
        player->seek(0.3 * i);
        if (i % 3 == 0) {
            vm.addRegion(i % 2 ? List::micMute : List::annotation, {0.3 * i, 0.3 * i + 0.2});
            vm.changeSettings([i](VideoSnapshot& s) { s.backgroundPadding = i; });
        }
        player->advance(0.01);
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(test::waitUntil([&] { return lastStart() >= 6.85; })) << "the last seek is heard";
    player->pause();
    ASSERT_TRUE(test::waitUntil([&] { return player->pictureTime() == vm.playhead(); }));
    EXPECT_EQ(player->outputSize(), player->picture().size()) << "the newest edit's composition";
    player->seek(1.5);
    player.reset();
    QCoreApplication::processEvents(); // what the worker sent finds no player
}

} // namespace
