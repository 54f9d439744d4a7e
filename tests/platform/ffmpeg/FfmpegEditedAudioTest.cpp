// The player's sound from the FFmpeg module on a clip with a 440 Hz system track and a 1320 Hz
// microphone track: pieces of the time map, pitch kept at 2x, muted ranges, switched-off tracks,
// silence past the end.
#include "platform/ffmpeg/FfmpegEditedAudio.h"
#include "support/IndexedClip.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::platform;

namespace {

class FfmpegEditedAudioTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<QTemporaryDir>();
        test::IndexedClipShape clip;
        clip.seconds = 3;
        clip.size = QSize(160, 120);
        QString error;
        ASSERT_TRUE(test::makeIndexedClip(path(), clip, &error)) << error.toStdString();
    }
    static void TearDownTestSuite() { dir_.reset(); }
    static QString path() { return dir_->filePath("clip.mp4"); }

    // The left channel of `seconds` rendered in the player's chunks.
    static std::vector<float> renderLeft(EditedAudioSource& source, double seconds) {
        std::vector<float> left;
        std::vector<float> chunk(960 * 2);
        const int total = int(seconds * EditedAudioSource::kRate);
        for (int done = 0; done < total; done += 960) {
            QString error;
            EXPECT_TRUE(source.render(chunk.data(), 960, &error)) << error.toStdString();
            for (int i = 0; i < 960; ++i) {
                left.push_back(chunk[size_t(i) * 2]);
            }
        }
        return left;
    }

    static inline std::unique_ptr<QTemporaryDir> dir_;
};

// From 0.5 s of the source: one second at speed 1, then [2, 3] at 2x (half a second out).
const QList<CompositionPiece> kMap{{0, 0.5, 1, 1.0}, {1.0, 2.0, 2, 0.5}};

TEST_F(FfmpegEditedAudioTest, MixesTheTracksMutedWhereAskedWithThePitchKept) {
    FfmpegEditedAudio source;
    QString error;
    ASSERT_TRUE(source.open(path(), kMap, {{1, true, {{0.2, 0.6}}}, {2, true, {}}}, &error))
        << error.toStdString();
    const std::vector<float> left = renderLeft(source, 1.5);
    auto level = [&](double hz, double a, double b) { return test::toneLevel(left, hz, a, b); };
    EXPECT_LT(level(440, 0.25, 0.55), 0.002) << "the system track is muted there";
    EXPECT_GT(level(1320, 0.25, 0.55), 0.04) << "the microphone is not";
    EXPECT_GT(level(440, 0.65, 0.95), 0.04);
    EXPECT_GT(level(440, 1.05, 1.45), 0.04) << "the 2x piece keeps the pitch";
    EXPECT_LT(level(880, 1.05, 1.45), 0.002);

    const std::vector<float> after = renderLeft(source, 0.2);
    EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](float s) { return s == 0.0f; }))
        << "silence past the end";
}

TEST_F(FfmpegEditedAudioTest, TrackSwitchedOffIsLeftOut) {
    FfmpegEditedAudio source;
    QString error;
    ASSERT_TRUE(source.open(path(), kMap, {{1, true, {}}, {2, false, {}}}, &error)) << error.toStdString();
    const std::vector<float> left = renderLeft(source, 1.0);
    EXPECT_LT(test::toneLevel(left, 1320, 0.05, 0.95), 0.002);
    EXPECT_GT(test::toneLevel(left, 440, 0.05, 0.95), 0.04);
}

} // namespace
