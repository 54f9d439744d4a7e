#include "support/Drawing.h"
#include "support/IndexedClip.h"
#include "support/ScriptedFrames.h"
#include "support/TestUtil.h"

#include "platform/ffmpeg/FfmpegFrameGenerator.h"
#include "video/VideoEditorVM.h"
#include "video/VideoPlayer.h"

#include <QColor>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;
using List = RegionRef::List;

namespace {

struct PlayerFixture : ::testing::Test {
    std::shared_ptr<test::FrameScript> frames = std::make_shared<test::FrameScript>();
    VideoEditorVM vm{10, QStringLiteral("Clip.mp4")};
    std::unique_ptr<VideoPlayer> player;

    void open(std::optional<double> fps = 30) {
        player = std::make_unique<VideoPlayer>(
            vm, std::make_unique<test::ScriptedFrames>(frames),
            VideoPlayer::Source{QStringLiteral("Clip.mp4"), {160, 90}, fps, {}, {}, {}});
    }
    int greenAtCentre() const {
        const QImage& p = player->picture();
        return qGreen(p.pixel(p.width() / 2, p.height() / 2));
    }
    QList<double> decoded() { return frames->read(&test::FrameScript::times); }
    qsizetype decodes() { return decoded().size(); }
};

TEST_F(PlayerFixture, TheClockAdvancesAtTheSpeedJumpsCutsAndStopsAtTheEnd) {
    const struct {
        const char* name;
        QList<TimeRange> cuts, speedUps; // at 2x
        double start, elapsed, expected;
        bool stillPlaying;
    } cases[] = {
        {"plain", {}, {}, 1, 0.5, 1.5, true},
        {"speed region", {}, {{0, 10}}, 1, 0.5, 2, true},
        {"into a cut", {{2, 4}}, {}, 1.9, 0.2, 4, true},
        {"over touching cuts", {{2, 3}, {3.0005, 5}}, {}, 1.95, 0.1, 5, true},
        {"a cut to the end", {{8, 10}}, {}, 7.9, 0.2, 10, false},
        {"a cut within a frame of the end", {{8, 9.97}}, {}, 7.9, 0.2, 10, false},
        {"past the end", {}, {}, 9.9, 0.5, 10, false},
        {"play within the end's margin starts over", {}, {}, 9.95, 0.25, 0.25, true},
        {"play before the end's margin", {}, {}, 9.9, 0.01, 9.91, true},
        {"play inside a cut starts at its end", {{0, 3}}, {}, 1, 0.5, 3.5, true},
    };
    for (const auto& c : cases) {
        vm.loadProject(MeboVideoDocument{}, QString());
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
        EXPECT_NEAR(vm.playhead(), c.expected, 1e-9) << c.name;
        EXPECT_EQ(player->isPlaying(), c.stillPlaying) << c.name;
    }
}

TEST_F(PlayerFixture, ShowsOnlyTheNewestRequestedFrame) {
    frames->setGate(true);
    open();
    ASSERT_TRUE(test::waitUntil([&] { return decodes() == 1; }));
    // A scrub while the worker is held: only the last position may be decoded after it.
    for (double t : {1.0, 2.0, 3.0, 4.0, 5.5}) {
        player->seek(t);
    }
    frames->setGate(false);
    ASSERT_TRUE(test::waitUntil([&] { return player->pictureTime() == 5.5; }));
    EXPECT_EQ(greenAtCentre(), 55);
    EXPECT_EQ(decodes(), 2) << "the scrub's intermediate positions were decoded";
    // The picture held back by the gate (time 0) never replaced the newer one.
    QCoreApplication::processEvents();
    EXPECT_EQ(player->pictureTime(), 5.5);
}

TEST_F(PlayerFixture, PictureIsTheOutputComposition) {
    vm.changeSettings([](VideoSnapshot& s) {
        s.showBackground = true, s.backgroundPadding = 40, s.backgroundColorRGBA = {0, 0.5, 1, 1};
    });
    open();
    vm.setPlayhead(2);
    ASSERT_TRUE(test::waitUntil([&] { return player->pictureTime() == 2; }));
    // The picture against the exported frame is the preview match's test.
    EXPECT_GT(player->picture().width(), 160) << "the padding widens the canvas";
    EXPECT_TRUE(test::near(player->picture().pixel(2, 2), QColor(0, 128, 255), 2)) << "the background";
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

// Scrubbing: a nearby key frame first, then the exact frame unless the pointer has moved on.
TEST_F(PlayerFixture, ScrubShowsTheKeyFrameAndNeverDecodesAPassedPosition) {
    frames->keyFrameEvery = 2;
    open();
    ASSERT_TRUE(test::waitUntil([&] { return player->pictureTime() == 0; }));
    frames->setGate(true);
    player->seek(5.5); // held in its exact decode
    ASSERT_TRUE(test::waitUntil([&] { return player->pictureTime() == 4; })) << "the key frame before 5.5 s";
    EXPECT_EQ(greenAtCentre(), 40);
    ASSERT_TRUE(test::waitUntil([&] { return decodes() == 2; }));
    // The pointer moves on twice while the worker is held: the middle position gets nothing.
    player->seek(6.1);
    player->seek(8.7);
    frames->setGate(false);
    ASSERT_TRUE(test::waitUntil([&] { return player->pictureTime() == 8.7; }));
    EXPECT_EQ(greenAtCentre(), 87);
    EXPECT_EQ(decoded(), (QList<double>{0, 5.5, 8.7}));
    EXPECT_FALSE(frames->read(&test::FrameScript::quick).contains(6.1));
}

// The FFmpeg generator on a clip whose frames carry their index.
TEST(FfmpegQuickFrames, KeyFrameBeforeAFarPlaceThenForwardToTheExactFrame) {
    QTemporaryDir dir;
    test::IndexedClipShape shape;
    shape.seconds = 4;
    shape.fps = 30;
    shape.tones = {};
    const QString path = dir.filePath("clip.mp4");
    QString error;
    ASSERT_TRUE(test::makeIndexedClip(path, shape, &error)) << error.toStdString();
    using test::frameIndex;
    platform::FfmpegFrameGenerator frames;
    ASSERT_TRUE(frames.open(path, shape.size, &error)) << error.toStdString();
    ASSERT_FALSE(frames.frameAt(0.5, &error).isNull());
    double at = -1;
    EXPECT_TRUE(frames.quickFrameNear(0.6, &at, &error).isNull())
        << "0.1 s ahead: the exact frame is as quick";
    const QImage key = frames.quickFrameNear(3.5, &at, &error);
    ASSERT_FALSE(key.isNull()) << error.toStdString();
    EXPECT_LE(at, 3.5);
    EXPECT_EQ(frameIndex(key), int(std::lround(at * 30)));
    const QImage exact = frames.frameAt(3.5, &error);
    ASSERT_FALSE(exact.isNull());
    EXPECT_EQ(frameIndex(exact), 105);
    // Backwards: the key frame before, never a frame after the place.
    const QImage back = frames.quickFrameNear(1.2, &at, &error);
    ASSERT_FALSE(back.isNull());
    EXPECT_LE(at, 1.2);
    EXPECT_EQ(frameIndex(frames.frameAt(1.2, &error)), 36);
}

} // namespace
