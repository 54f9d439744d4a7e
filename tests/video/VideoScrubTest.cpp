// Scrubbing: a nearby key frame first, then the exact frame unless the pointer has moved on; the
// FFmpeg generator's key frames on a clip whose frames carry their index.
#include "support/IndexedClip.h"
#include "support/TestUtil.h"

#include "platform/ffmpeg/FfmpegFrameGenerator.h"
#include "video/VideoEditorVM.h"
#include "video/VideoPlayer.h"

#include <QColor>
#include <QTemporaryDir>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

using namespace mebo;

namespace {

// Key frames every 2 s; the exact frame is held until released. Blue tells the time of the frame
// decoded (tenths of a second).
class KeyFrames : public platform::VideoFrameGenerator {
public:
    struct Shared {
        std::mutex mutex;
        std::condition_variable released;
        bool gate = false;
        QList<double> quick;
        QList<double> exact;
    };
    explicit KeyFrames(std::shared_ptr<Shared> s) : s_(std::move(s)) {}
    bool open(const QString&, QSize, QString*) override { return true; }
    double durationSec() const override { return 10; }
    QSize frameSize() const override { return {160, 90}; }
    QImage frameAt(double seconds, QString*) override {
        std::unique_lock lock(s_->mutex);
        s_->exact.append(seconds);
        s_->released.wait(lock, [&] { return !s_->gate; });
        return picture(seconds);
    }
    QImage quickFrameNear(double seconds, double* frameTime, QString*) override {
        std::lock_guard lock(s_->mutex);
        s_->quick.append(seconds);
        *frameTime = std::floor(seconds / 2) * 2;
        return picture(*frameTime);
    }

private:
    QImage picture(double t) const {
        QImage f(frameSize(), QImage::Format_RGB32);
        f.fill(QColor(10, 10, std::clamp(int(std::lround(t * 10)), 0, 255)));
        return f;
    }
    std::shared_ptr<Shared> s_;
};

struct Scrub : ::testing::Test {
    std::shared_ptr<KeyFrames::Shared> frames = std::make_shared<KeyFrames::Shared>();
    VideoEditorVM vm{10, QStringLiteral("Clip.mp4")};
    std::unique_ptr<VideoPlayer> player;

    void SetUp() override {
        player =
            std::make_unique<VideoPlayer>(vm, std::make_unique<KeyFrames>(frames),
                                          VideoPlayer::Source{QStringLiteral("Clip.mp4"), {160, 90}, 30});
        ASSERT_TRUE(test::waitUntil([&] { return player->pictureTime() == 0; }));
    }
    void setGate(bool closed) {
        {
            std::lock_guard lock(frames->mutex);
            frames->gate = closed;
        }
        frames->released.notify_all();
    }
    template <typename T> T read(T KeyFrames::Shared::*field) {
        std::lock_guard lock(frames->mutex);
        return frames.get()->*field;
    }
    int blueAtCentre() const {
        const QImage& p = player->picture();
        return qBlue(p.pixel(p.width() / 2, p.height() / 2));
    }
};

TEST_F(Scrub, KeyFrameShowsWhileTheExactFrameIsDecoded) {
    setGate(true);
    player->seek(5.5);
    ASSERT_TRUE(test::waitUntil([&] { return player->pictureTime() == 4; })) << "the key frame before 5.5 s";
    EXPECT_EQ(blueAtCentre(), 40);
    setGate(false);
    ASSERT_TRUE(test::waitUntil([&] { return player->pictureTime() == 5.5; }));
    EXPECT_EQ(blueAtCentre(), 55);
}

TEST_F(Scrub, ExactFrameOfAPassedPositionIsNeverDecoded) {
    setGate(true);
    player->seek(3.2); // held in its exact decode
    ASSERT_TRUE(test::waitUntil([&] { return read(&KeyFrames::Shared::exact).size() == 2; }));
    // The pointer moves on twice while the worker is held: the middle position gets nothing.
    player->seek(6.1);
    player->seek(8.7);
    setGate(false);
    ASSERT_TRUE(test::waitUntil([&] { return player->pictureTime() == 8.7; }));
    const QList<double> exact = read(&KeyFrames::Shared::exact);
    EXPECT_EQ(exact, (QList<double>{0, 3.2, 8.7}));
    EXPECT_FALSE(read(&KeyFrames::Shared::quick).contains(6.1));
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
    auto index = [](const QImage& f) {
        int v = 0;
        for (int bit = 0; bit < 10; ++bit) {
            if (qGray(f.pixel(bit * 32 + 16, 20)) > 128) {
                v |= 1 << bit;
            }
        }
        return v;
    };
    platform::FfmpegFrameGenerator frames;
    ASSERT_TRUE(frames.open(path, shape.size, &error)) << error.toStdString();
    ASSERT_FALSE(frames.frameAt(0.5, &error).isNull());
    double at = -1;
    EXPECT_TRUE(frames.quickFrameNear(0.6, &at, &error).isNull())
        << "0.1 s ahead: the exact frame is as quick";
    const QImage key = frames.quickFrameNear(3.5, &at, &error);
    ASSERT_FALSE(key.isNull()) << error.toStdString();
    EXPECT_LE(at, 3.5);
    EXPECT_EQ(index(key), int(std::lround(at * 30)));
    const QImage exact = frames.frameAt(3.5, &error);
    ASSERT_FALSE(exact.isNull());
    EXPECT_EQ(index(exact), 105);
    // Backwards: the key frame before, never a frame after the place.
    const QImage back = frames.quickFrameNear(1.2, &at, &error);
    ASSERT_FALSE(back.isNull());
    EXPECT_LE(at, 1.2);
    EXPECT_EQ(index(frames.frameAt(1.2, &error)), 36);
}

} // namespace
