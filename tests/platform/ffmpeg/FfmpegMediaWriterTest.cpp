#include "platform/ffmpeg/FfmpegMediaWriter.h"
#include "platform/MonotonicClock.h"
#include "platform/ffmpeg/FfmpegMediaProbe.h"
#include "platform/ffmpeg/FfmpegRemuxer.h"
#include "support/MediaFacts.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QPainter>
#include <QTemporaryDir>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace mebo::platform {
namespace {

constexpr int64_t kSecond = 1'000'000'000;

// A frame whose left half's brightness tells its index (10 steps of 20).
QImage frameFor(int index, QSize size) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(qRgb(30, 60, 90));
    QPainter p(&img);
    const int v = 20 + (index % 10) * 20;
    p.fillRect(QRect(0, 0, size.width() / 2, size.height()), QColor(v, v, v));
    return img;
}

// The durations of the file's audio streams, or of all its streams.
QList<double> streamDurations(const QString& path, bool audioOnly) {
    QList<double> out;
    for (const QJsonValue& v : test::media::probe(path).value("streams").toArray()) {
        if (!audioOnly || v.toObject().value("codec_type").toString() == QLatin1String("audio")) {
            out << v.toObject().value("duration").toString().toDouble();
        }
    }
    return out;
}

// Writes `seconds` of 30 fps video and 10 ms audio buffers (a 440 Hz tone on track 0, quiet on
// track 1) through `writer`, with no audio for half a second from `audioGapAtNs` when it is set.
void writeClip(FfmpegMediaWriter& writer, double seconds, int audioTracks, int64_t audioGapAtNs = -1) {
    const int64_t t0 = 5 * kSecond;
    writer.startSession(t0);
    std::vector<float> tone(480 * 2);
    const int frames = int(seconds * 30);
    int64_t audioAt = t0;
    int sample = 0;
    for (int i = 0; i < frames; ++i) {
        const int64_t pts = t0 + i * kSecond / 30;
        QString error;
        ASSERT_TRUE(writer.appendVideo(frameFor(i, {320, 240}), pts, &error)) << error.toStdString();
        while (audioAt < pts + kSecond / 30) {
            for (int s = 0; s < 480; ++s, ++sample) {
                tone[size_t(2 * s)] = tone[size_t(2 * s + 1)] =
                    float(0.5 * std::sin(2 * M_PI * 440 * sample / 48000.0));
            }
            for (int track = 0; track < audioTracks; ++track) {
                if (audioGapAtNs < 0 || audioAt < audioGapAtNs || audioAt > audioGapAtNs + kSecond / 2) {
                    ASSERT_TRUE(writer.appendAudio(track, tone.data(), 480, audioAt, &error));
                }
            }
            audioAt += kSecond / 100;
        }
    }
}

MediaWriterConfig configFor(const QString& path, int audioTracks, bool hevc = false) {
    MediaWriterConfig c;
    c.path = path;
    c.width = 320;
    c.height = 240;
    c.hevc = hevc;
    c.bitrate = 1'000'000;
    c.fps = 30;
    c.keyframeInterval = 15;
    c.audioTracks =
        QStringList{QStringLiteral("System Audio"), QStringLiteral("Microphone")}.mid(0, audioTracks);
    return c;
}

// Records a clip into "<name>.recording.mp4" and copies it to a plain "<name>.mp4"; answers the
// plain file's path, or an empty one after a test failure.
QString recordAndCopy(const QTemporaryDir& dir, const char* name, const MediaWriterConfig& config,
                      double seconds, int64_t audioGapAtNs = -1, int fedTracks = -1) {
    const QString fragmented = dir.filePath(QLatin1String(name) + ".recording.mp4");
    const QString plain = dir.filePath(QLatin1String(name) + ".mp4");
    MediaWriterConfig c = config;
    c.path = fragmented;
    FfmpegMediaWriter writer;
    MediaWriter::OpenError openError;
    QString error;
    EXPECT_TRUE(writer.open(c, &openError)) << openError.text.toStdString();
    writeClip(writer, seconds, fedTracks < 0 ? int(c.audioTracks.size()) : fedTracks, audioGapAtNs);
    EXPECT_TRUE(writer.finish(&error)) << error.toStdString();
    EXPECT_EQ(writer.status(), MediaWriter::Status::completed);
    const bool copied = FfmpegRemuxer().copy(fragmented, plain, 0, std::nullopt, &error);
    EXPECT_TRUE(copied) << error.toStdString();
    return copied ? plain : QString();
}

TEST(FfmpegMediaWriter, WritesH264HighWithTwoAacTracksAndAPlainCopy) {
    QTemporaryDir dir;
    const QString plain = recordAndCopy(dir, "a", configFor({}, 2), 2.0);
    ASSERT_FALSE(plain.isEmpty());
    FfmpegRemuxer remuxer;
    QString error;
    const QJsonObject probe = test::media::probe(plain);
    const QJsonArray streams = probe.value("streams").toArray();
    ASSERT_EQ(streams.size(), 3);
    EXPECT_EQ(streams[0].toObject().value("codec_name").toString(), QStringLiteral("h264"));
    EXPECT_EQ(streams[0].toObject().value("profile").toString(), QStringLiteral("High"));
    for (int i : {1, 2}) {
        EXPECT_EQ(streams[i].toObject().value("codec_name").toString(), QStringLiteral("aac"));
        EXPECT_EQ(streams[i].toObject().value("sample_rate").toString(), QStringLiteral("48000"));
        EXPECT_EQ(streams[i].toObject().value("channels").toInt(), 2);
    }
    EXPECT_NEAR(probe.value("format").toObject().value("duration").toString().toDouble(), 2.0, 0.1);
    const auto info = FfmpegMediaProbe().probe(plain, &error);
    ASSERT_TRUE(info);
    // The tracks' handler names survive the copy and tell their roles.
    EXPECT_EQ(info->systemAudioTrack, 0);
    EXPECT_EQ(info->microphoneTrack, 1);
    // The frame a second in is frame 30: brightness step 0.
    const QImage at1 = remuxer.frameAt(plain, 1.0, &error);
    ASSERT_FALSE(at1.isNull()) << error.toStdString();
    EXPECT_NEAR(qGray(at1.pixel(40, 120)), 20, 8);
    const QImage at13 = remuxer.frameAt(plain, 1.3, &error); // frame 39: step 9
    EXPECT_NEAR(qGray(at13.pixel(40, 120)), 200, 8);
}

// Every track lasts as long as the picture: a gap in its input is filled with silence, and inputs
// that send nothing (an idle sink's monitor, a quiet fallback microphone) give silent tracks.
TEST(FfmpegMediaWriter, AudioTracksLastAsLongAsThePicture) {
    struct Case {
        int tracks, fed;
        int64_t gapAt; // no audio for half a second from here
    };
    for (const Case c : {Case{1, 1, 5 * kSecond + kSecond / 2}, Case{2, 0, -1}, Case{2, 1, -1}}) {
        QTemporaryDir dir;
        const QString plain = recordAndCopy(dir, "c", configFor({}, c.tracks), 2.0, c.gapAt, c.fed);
        const QList<double> durations = streamDurations(plain, true);
        ASSERT_EQ(durations.size(), c.tracks) << c.fed;
        for (const double d : durations) {
            EXPECT_NEAR(d, 2.0, 0.06) << c.tracks << " tracks, " << c.fed << " fed";
        }
    }
}

// As in a recording: the picture and each audio track are appended from threads of their own at
// the same time; their packets meet under the writer's lock and every stream comes out whole.
TEST(FfmpegMediaWriter, PictureAndTracksAppendedFromThreadsOfTheirOwn) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.recording.mp4");
    FfmpegMediaWriter writer;
    MediaWriter::OpenError openError;
    ASSERT_TRUE(writer.open(configFor(path, 2), &openError));
    const int64_t t0 = 5 * kSecond;
    writer.startSession(t0);
    std::atomic<int> refused{0};
    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        for (int i = 0; i < 60; ++i) {
            refused += writer.appendVideo(frameFor(i, {320, 240}), t0 + i * kSecond / 30, nullptr) ? 0 : 1;
        }
    });
    for (const int track : {0, 1}) {
        threads.emplace_back([&, track] {
            const std::vector<float> quiet(480 * 2, 0.01f);
            for (int64_t at = t0; at < t0 + 2 * kSecond; at += kSecond / 100) {
                refused += writer.appendAudio(track, quiet.data(), 480, at, nullptr) ? 0 : 1;
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(refused.load(), 0);
    QString error;
    ASSERT_TRUE(writer.finish(&error)) << error.toStdString();
    const QString plain = dir.filePath("t.mp4");
    ASSERT_TRUE(FfmpegRemuxer().copy(path, plain, 0, std::nullopt, &error)) << error.toStdString();
    const QList<double> durations = streamDurations(plain, false);
    ASSERT_EQ(durations.size(), 3);
    for (const double d : durations) {
        EXPECT_NEAR(d, 2.0, 0.07);
    }
}

TEST(FfmpegMediaWriter, HevcCarriesTheHvc1Tag) {
    QTemporaryDir dir;
    const QString plain = recordAndCopy(dir, "d", configFor({}, 0, true), 0.5);
    ASSERT_FALSE(plain.isEmpty());
    const QJsonObject v = test::media::probe(plain).value("streams").toArray().first().toObject();
    EXPECT_EQ(v.value("codec_name").toString(), QStringLiteral("hevc"));
    EXPECT_EQ(v.value("codec_tag_string").toString(), QStringLiteral("hvc1"));
}

TEST(FfmpegMediaWriter, RefusesFramesOfAnotherSizeAndOddSizes) {
    QTemporaryDir dir;
    FfmpegMediaWriter odd;
    MediaWriter::OpenError openError;
    MediaWriterConfig c = configFor(dir.filePath("e.mp4"), 0);
    c.width = 321;
    EXPECT_FALSE(odd.open(c, &openError));
    EXPECT_EQ(openError.kind, MediaWriter::OpenError::Kind::videoInput);
    FfmpegMediaWriter writer;
    ASSERT_TRUE(writer.open(configFor(dir.filePath("f.mp4"), 0), &openError));
    writer.startSession(0);
    QString error;
    EXPECT_FALSE(writer.appendVideo(frameFor(0, {640, 480}), 0, &error));
    EXPECT_FALSE(error.isEmpty());
    writer.cancel();
    EXPECT_FALSE(QFile::exists(dir.filePath("f.mp4")));
}

TEST(FfmpegRemuxer, TrimStartsAtTheKeyFrameBeforeTheStart) {
    QTemporaryDir dir;
    const QString plain = recordAndCopy(dir, "g", configFor({}, 1), 3.0);
    ASSERT_FALSE(plain.isEmpty());
    FfmpegRemuxer remuxer;
    QString error;
    // Key frames every 15 frames (0.5 s): a cut from 1.2 s starts at 1.0 s.
    const QString cut = dir.filePath("g_trimmed.mp4");
    ASSERT_TRUE(remuxer.copy(plain, cut, 1.2, 2.0, &error)) << error.toStdString();
    const auto info = FfmpegMediaProbe().probe(cut, &error);
    ASSERT_TRUE(info);
    EXPECT_NEAR(info->durationSec, 1.0, 0.08);
    const QImage first = remuxer.frameAt(cut, 0, &error); // frame 30: step 0
    EXPECT_NEAR(qGray(first.pixel(40, 120)), 20, 8);
    EXPECT_FALSE(remuxer.copy(dir.filePath("missing.mp4"), cut, 0, std::nullopt, &error));
}

} // namespace
} // namespace mebo::platform
