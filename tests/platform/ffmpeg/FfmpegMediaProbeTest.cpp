#include "support/Files.h"
#include "support/IndexedClip.h"

#include "platform/ffmpeg/FfmpegMediaProbe.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace mebo;
using platform::MediaAudioRole;

namespace {

TEST(FfmpegMediaProbeTest, StreamFactsAndAudioRoles) {
    QTemporaryDir dir;
    const struct {
        const char* name;
        test::ClipSpec spec;
        std::optional<int> system, mic;
    } cases[] = {
        {"plain.mp4", {3, {320, 240}, 25, {"", ""}}, 0, 1},
        {"tagged.mov", {1, {160, 90}, 30, {"Microphone", "System Audio"}}, 1, 0},
        {"silent.mp4", {1.5, {64, 48}, 10, {}}, std::nullopt, std::nullopt},
        {"one.mkv", {2, {96, 64}, 15, {""}, QStringLiteral("mpeg4")}, 0, std::nullopt},
    };
    platform::FfmpegMediaProbe probe;
    for (const auto& c : cases) {
        const QString path = dir.filePath(QLatin1String(c.name));
        QString error;
        ASSERT_TRUE(test::makeClip(path, c.spec, &error)) << error.toStdString();
        const auto facts = probe.probe(path, &error);
        ASSERT_TRUE(facts) << c.name << ": " << error.toStdString();
        EXPECT_NEAR(facts->durationSec, c.spec.seconds, 0.1) << c.name;
        EXPECT_TRUE(facts->hasVideo);
        EXPECT_EQ(facts->videoSize, c.spec.size) << c.name;
        ASSERT_TRUE(facts->frameRate);
        EXPECT_NEAR(*facts->frameRate, c.spec.fps, 0.01) << c.name;
        EXPECT_EQ(facts->audioTracks.size(), c.spec.audioTracks.size()) << c.name;
        EXPECT_EQ(facts->systemAudioTrack, c.system) << c.name;
        EXPECT_EQ(facts->microphoneTrack, c.mic) << c.name;
        for (const auto& t : facts->audioTracks) {
            EXPECT_EQ(t.sampleRate, 44100);
            EXPECT_EQ(t.channels, 1);
        }
    }
    QString error;
    EXPECT_FALSE(probe.probe(dir.filePath("none.mp4"), &error));
    EXPECT_TRUE(error.contains("no such file"));
    test::writeBytes(dir.filePath("junk.mp4"), QByteArray(4096, 'j'));
    EXPECT_FALSE(probe.probe(dir.filePath("junk.mp4"), &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
