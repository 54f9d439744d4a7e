#include "support/TestUtil.h"

#include "video/VideoEditorVM.h"
#include "video/VideoPlayer.h"

#include <QColor>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

using namespace mebo;
using List = RegionRef::List;

namespace {

// Plain frames whose green channel tells the time (tenths of a second); the first frame asked for
// may be held back until the test releases it. frameAt runs on the player's worker thread.
class GatedFrames : public platform::VideoFrameGenerator {
public:
    struct Shared {
        std::mutex mutex;
        std::condition_variable released;
        bool gate = false;
        bool failOpen = false;
        QList<double> times;
    };
    explicit GatedFrames(std::shared_ptr<Shared> s) : s_(std::move(s)) {}
    bool open(const QString&, QSize, QString* error) override {
        if (s_->failOpen) {
            *error = QStringLiteral("no video stream");
        }
        return !s_->failOpen;
    }
    double durationSec() const override { return 10; }
    QSize frameSize() const override { return {160, 90}; }
    QImage frameAt(double seconds, QString*) override {
        std::unique_lock lock(s_->mutex);
        s_->times.append(seconds);
        s_->released.wait(lock, [&] { return !s_->gate; });
        QImage f(frameSize(), QImage::Format_RGB32);
        f.fill(QColor(200, std::clamp(int(std::lround(seconds * 10)), 0, 255), 40));
        return f;
    }

private:
    std::shared_ptr<Shared> s_;
};

struct PlayerFixture : ::testing::Test {
    std::shared_ptr<GatedFrames::Shared> frames = std::make_shared<GatedFrames::Shared>();
    VideoEditorVM vm{10, QStringLiteral("Clip.mp4")};
    std::unique_ptr<VideoPlayer> player;

    void open(std::optional<double> fps = 30) {
        player =
            std::make_unique<VideoPlayer>(vm, std::make_unique<GatedFrames>(frames),
                                          VideoPlayer::Source{QStringLiteral("Clip.mp4"), {160, 90}, fps});
    }
    int greenAtCentre() const {
        const QImage& p = player->picture();
        return qGreen(p.pixel(p.width() / 2, p.height() / 2));
    }
    void setGate(bool closed) {
        {
            std::lock_guard lock(frames->mutex);
            frames->gate = closed;
        }
        frames->released.notify_all();
    }
    qsizetype decodes() {
        std::lock_guard lock(frames->mutex);
        return frames->times.size();
    }
};

struct ClockCase {
    const char* name;
    QList<TimeRange> cuts;
    QList<TimeRange> speedUps; // at 2x
    double start;
    double elapsed;
    double expected;
    bool stillPlaying;
};

class PlaybackClock : public PlayerFixture, public ::testing::WithParamInterface<ClockCase> {};

TEST_P(PlaybackClock, AdvancesAtTheSpeedJumpsCutsAndStopsAtTheEnd) {
    const ClockCase& c = GetParam();
    for (const TimeRange& r : c.cuts) {
        vm.addRegion(List::trim, r);
    }
    for (const TimeRange& r : c.speedUps) {
        vm.addRegion(List::speed, r);
    }
    open();
    vm.setPlayhead(c.start);
    player->play();
    player->advance(c.elapsed);
    EXPECT_NEAR(vm.playhead(), c.expected, 1e-9);
    EXPECT_EQ(player->isPlaying(), c.stillPlaying);
}

INSTANTIATE_TEST_SUITE_P(
    Player, PlaybackClock,
    ::testing::Values(ClockCase{"plain", {}, {}, 1, 0.5, 1.5, true},
                      ClockCase{"speedRegion", {}, {{0, 10}}, 1, 0.5, 2, true},
                      ClockCase{"intoCut", {{2, 4}}, {}, 1.9, 0.2, 4, true},
                      ClockCase{"overTouchingCuts", {{2, 3}, {3.0005, 5}}, {}, 1.95, 0.1, 5, true},
                      ClockCase{"cutToTheEnd", {{8, 10}}, {}, 7.9, 0.2, 10, false},
                      ClockCase{"cutWithinAFrameOfTheEnd", {{8, 9.97}}, {}, 7.9, 0.2, 10, false},
                      ClockCase{"pastTheEnd", {}, {}, 9.9, 0.5, 10, false},
                      ClockCase{"playAtTheEndStartsOver", {}, {}, 10, 0.25, 0.25, true},
                      ClockCase{"playInsideACutStartsAtItsEnd", {{0, 3}}, {}, 1, 0.5, 3.5, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlayerFixture, ShowsOnlyTheNewestRequestedFrame) {
    setGate(true);
    open();
    ASSERT_TRUE(test::waitUntil([&] { return decodes() == 1; }));
    // A scrub while the worker is held: only the last position may be decoded after it.
    for (double t : {1.0, 2.0, 3.0, 4.0, 5.5}) {
        player->seek(t);
    }
    setGate(false);
    ASSERT_TRUE(test::waitUntil([&] { return player->pictureTime() == 5.5; }));
    EXPECT_EQ(greenAtCentre(), 55);
    EXPECT_EQ(decodes(), 2) << "the scrub's intermediate positions were decoded";
    // The picture held back by the gate (time 0) never replaced the newer one.
    QCoreApplication::processEvents();
    EXPECT_EQ(player->pictureTime(), 5.5);
}

TEST_F(PlayerFixture, PictureIsTheOutputComposition) {
    vm.changeSettings([](VideoSnapshot& s) {
        s.showBackground = true;
        s.backgroundColorRGBA = {0, 0, 1, 1};
        s.backgroundPadding = 40;
    });
    open();
    vm.setPlayhead(2);
    ASSERT_TRUE(test::waitUntil([&] { return player->pictureTime() == 2; }));
    const QImage& p = player->picture();
    EXPECT_EQ(p.size(), player->outputSize());
    EXPECT_GT(p.width(), 160) << "the padding widens the canvas";
    EXPECT_EQ(QColor(p.pixel(2, 2)), QColor(0, 0, 255)) << "the background colour at the corner";
    EXPECT_EQ(greenAtCentre(), 20);

    // A settings change redraws the picture at the same time.
    vm.changeSettings([](VideoSnapshot& s) { s.showBackground = false, s.backgroundPadding = 0; });
    ASSERT_TRUE(test::waitUntil([&] { return player->picture().size() == QSize(160, 90); }));
    EXPECT_EQ(QColor(player->picture().pixel(2, 2)).red(), 200);
}

TEST_F(PlayerFixture, FrameStepsPauseAndStayInTheVideo) {
    open(25);
    player->play();
    player->stepFrames(1);
    EXPECT_FALSE(player->isPlaying());
    EXPECT_NEAR(vm.playhead(), 0.04, 1e-9);
    player->stepFrames(-3);
    EXPECT_EQ(vm.playhead(), 0);
    vm.setPlayhead(10);
    player->stepFrames(1);
    EXPECT_EQ(vm.playhead(), 10);
}

TEST_F(PlayerFixture, AnUnreadableVideoShowsNothing) {
    frames->failOpen = true;
    open();
    EXPECT_FALSE(player->isOpen());
    EXPECT_EQ(player->error(), QStringLiteral("no video stream"));
    player->play();
    EXPECT_FALSE(player->isPlaying());
    EXPECT_TRUE(player->picture().isNull());
}

} // namespace
