#include "platform/pulse/PulseSoundPlayer.h"

#include "support/Files.h"
#include "support/PrivatePulse.h"
#include "support/ScopedEnv.h"
#include "support/TestUtil.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include "TestPaths.h"
#include <cmath>

using mebo::platform::DecodedSound;
using mebo::platform::PulseSoundPlayer;
using namespace mebo;
using test::PrivatePulse;
using test::ScopedEnv;
using test::SinkRecorder;
using test::waitUntil;

namespace {

const QString bundledShutter = QStringLiteral(MEBO_SOURCE_DIR "/data/sounds/Shutter.wav");

// A 16-bit mono WAV of a sine, written by hand so the decoder is checked against known content.
QByteArray sineWav(int rate, double seconds, double hz, double amplitude) {
    const int frames = int(rate * seconds);
    QByteArray data(frames * 2, Qt::Uninitialized);
    for (int i = 0; i < frames; ++i) {
        const auto v = qint16(std::lround(amplitude * 32767 * std::sin(2 * M_PI * hz * i / rate)));
        qToLittleEndian(v, data.data() + 2 * i);
    }
    QByteArray out;
    QDataStream header(&out, QIODevice::WriteOnly);
    header.setByteOrder(QDataStream::LittleEndian);
    header.writeRawData("RIFF", 4);
    header << quint32(36 + data.size());
    header.writeRawData("WAVEfmt ", 8);
    header << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2) << quint16(2)
           << quint16(16);
    header.writeRawData("data", 4);
    header << quint32(data.size());
    return out + data;
}

TEST(DecodedSound, KnownSineComesBackScaledToOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sine.wav"));
    test::writeBytes(path, sineWav(8000, 0.5, 1000, 0.5));
    const auto sound = DecodedSound::fromFile(path, nullptr);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->sampleRate, 8000);
    EXPECT_EQ(sound->frames(), 4000);
    const auto [low, high] = std::minmax_element(sound->samples.begin(), sound->samples.end());
    EXPECT_NEAR(std::max(-*low, *high), 0.5, 0.001);
    EXPECT_NEAR(sound->samples[2], 0.5, 0.001); // 1 kHz at 8 kHz: the third sample is the crest
}

TEST(DecodedSound, RefusesBrokenMissingAndOverlongFiles) {
    QTemporaryDir dir;
    const QString garbage = dir.filePath(QStringLiteral("garbage.wav"));
    test::writeBytes(garbage, QByteArray(2000, 'x'));
    QString error;
    EXPECT_FALSE(DecodedSound::fromFile(garbage, &error));
    EXPECT_TRUE(error.startsWith(garbage)) << error.toStdString();

    EXPECT_FALSE(DecodedSound::fromFile(dir.filePath(QStringLiteral("missing.wav")), &error));

    const QString empty = dir.filePath(QStringLiteral("empty.wav"));
    test::writeBytes(empty, sineWav(8000, 0, 1000, 0.5));
    EXPECT_FALSE(DecodedSound::fromFile(empty, &error));

    error.clear();
    EXPECT_FALSE(DecodedSound::fromFile(bundledShutter, &error, 0.1));
    EXPECT_TRUE(error.contains(QStringLiteral("longer than"))) << error.toStdString();
}

TEST(PulseSoundPlayer, WithoutAServerPlayAnswersFalseQuickly) {
    QTemporaryDir dir;
    // An explicit server address also keeps libpulse from spawning a daemon.
    ScopedEnv server("PULSE_SERVER", "unix:" + QFile::encodeName(dir.filePath(QStringLiteral("none"))));
    PulseSoundPlayer player;
    ASSERT_TRUE(player.load(bundledShutter));
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(player.play());
    EXPECT_LT(timer.elapsed(), 4000); // no waiting for a server that is not there
    EXPECT_FALSE(player.lastError().isEmpty());
    EXPECT_FALSE(player.isPlaying());
    // Again: the worker survives a failed connection.
    EXPECT_FALSE(player.play());
}

// A private PulseAudio server with a null sink; what the sink plays is read from its monitor.
// A running server answers a new stream within a few milliseconds; the margin is for sanitizer
// builds and loaded machines, which run the client library and the server many times slower.
constexpr int kServerStartMs = 30000;

class PulseServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString why;
        if (!pulse.start(&why)) {
            GTEST_SKIP() << why.toStdString();
        }
        env_ = std::make_unique<ScopedEnv>("PULSE_SERVER", pulse.address().toUtf8());
    }
    void startRecorder() { ASSERT_TRUE(recorder.start(pulse, 44100)); }
    int sinkInputs() const { return pulse.sinkInputs(); }

    PrivatePulse pulse;
    SinkRecorder recorder;
    std::unique_ptr<ScopedEnv> env_;
};

TEST_F(PulseServerTest, PlaysTheShutterIntoTheSink) {
    PulseSoundPlayer player(kServerStartMs);
    ASSERT_TRUE(player.load(bundledShutter));
    startRecorder();
    EXPECT_LT(SinkRecorder::peakOf(recorder.take(8820)), 100); // the sink is quiet before

    ASSERT_TRUE(player.play()) << player.lastError().toStdString();
    EXPECT_TRUE(player.isPlaying());
    EXPECT_TRUE(waitUntil([&] { return !player.isPlaying(); }, 30000));
    // The shutter (a quarter second) peaks at -1 dBFS; the sink at full volume passes it unchanged.
    EXPECT_GT(SinkRecorder::peakOf(recorder.take(44100)), 20000);
    EXPECT_TRUE(waitUntil([&] { return sinkInputs() == 0; }, 30000)); // closed after the sound
}

// Playing again restarts the one stream, stop stops it; destroying the player stops it at once and joins.
TEST_F(PulseServerTest, PlayAgainRestartsAndDestructionStopsAndJoins) {
    QTemporaryDir tmp;
    const QString longSound = tmp.filePath(QStringLiteral("long.wav"));
    test::writeBytes(longSound, sineWav(44100, 5.0, 440, 0.3));
    startRecorder(); // keeps the sink running in short blocks, as a sound card does
    QElapsedTimer timer;
    {
        PulseSoundPlayer player(kServerStartMs);
        ASSERT_TRUE(player.load(longSound));
        ASSERT_TRUE(player.play()) << player.lastError().toStdString();
        ASSERT_TRUE(waitUntil([&] { return sinkInputs() == 1; }, 30000));
        ASSERT_TRUE(player.play());
        EXPECT_EQ(sinkInputs(), 1); // the same stream, started again
        player.stop();
        EXPECT_TRUE(waitUntil([&] { return !player.isPlaying(); }, 30000));
        ASSERT_TRUE(player.play());
        ASSERT_TRUE(waitUntil([&] { return sinkInputs() == 1; }, 30000));
        timer.start();
    }
    EXPECT_LT(timer.elapsed(), 4000); // not the 5 s of the sound
    EXPECT_TRUE(waitUntil([&] { return sinkInputs() == 0; }, 30000));
}

TEST_F(PulseServerTest, ServerGoneMeansFalse) {
    PulseSoundPlayer player(kServerStartMs);
    ASSERT_TRUE(player.load(bundledShutter));
    ASSERT_TRUE(player.play());
    pulse.stop();
    ASSERT_TRUE(waitUntil([&] { return !player.isPlaying(); }, 30000));
    EXPECT_FALSE(player.play());
}

} // namespace
