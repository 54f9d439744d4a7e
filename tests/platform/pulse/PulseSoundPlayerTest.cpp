#include "platform/pulse/PulseSoundPlayer.h"

#include "support/Process.h"
#include "support/TestUtil.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include "TestPaths.h"
#include <cmath>

using mebo::platform::DecodedSound;
using mebo::platform::PulseSoundPlayer;
using mebo::test::Child;
using mebo::test::ProgramRun;
using mebo::test::run;
using mebo::test::waitUntil;

namespace {

QString bundledShutter() {
    return QStringLiteral(MEBO_SOURCE_DIR "/data/sounds/Shutter.wav");
}

const QString kThemeShutter = QStringLiteral("/usr/share/sounds/freedesktop/stereo/camera-shutter.oga");

float peakOf(const DecodedSound& s) {
    float peak = 0;
    for (float v : s.samples) {
        peak = std::max(peak, std::abs(v));
    }
    return peak;
}

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

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (old_.isNull()) {
            qunsetenv(name_);
        } else {
            qputenv(name_, old_);
        }
    }

private:
    const char* name_;
    QByteArray old_;
};

TEST(DecodedSound, KnownSineComesBackScaledToOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sine.wav"));
    ASSERT_TRUE(writeFile(path, sineWav(8000, 0.5, 1000, 0.5)));
    const auto sound = DecodedSound::fromFile(path, nullptr);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->sampleRate, 8000);
    EXPECT_EQ(sound->frames(), 4000);
    EXPECT_NEAR(peakOf(*sound), 0.5, 0.001);
    EXPECT_NEAR(sound->samples[2], 0.5, 0.001); // 1 kHz at 8 kHz: the third sample is the crest
}

TEST(DecodedSound, RefusesBrokenMissingAndOverlongFiles) {
    QTemporaryDir dir;
    const QString garbage = dir.filePath(QStringLiteral("garbage.wav"));
    ASSERT_TRUE(writeFile(garbage, QByteArray(2000, 'x')));
    QString error;
    EXPECT_FALSE(DecodedSound::fromFile(garbage, &error));
    EXPECT_TRUE(error.startsWith(garbage)) << error.toStdString();

    EXPECT_FALSE(DecodedSound::fromFile(dir.filePath(QStringLiteral("missing.wav")), &error));

    const QString empty = dir.filePath(QStringLiteral("empty.wav"));
    ASSERT_TRUE(writeFile(empty, sineWav(8000, 0, 1000, 0.5)));
    EXPECT_FALSE(DecodedSound::fromFile(empty, &error));

    error.clear();
    EXPECT_FALSE(DecodedSound::fromFile(bundledShutter(), &error, 0.1));
    EXPECT_TRUE(error.contains(QStringLiteral("longer than"))) << error.toStdString();
}

TEST(PulseSoundPlayer, WithoutAServerPlayAnswersFalseQuickly) {
    QTemporaryDir dir;
    // An explicit server address also keeps libpulse from spawning a daemon.
    ScopedEnv server("PULSE_SERVER", "unix:" + QFile::encodeName(dir.filePath(QStringLiteral("none"))));
    PulseSoundPlayer player;
    ASSERT_TRUE(player.load(bundledShutter()));
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
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()) {
            GTEST_SKIP() << "pulseaudio is not installed (scripts/setup.sh installs it)";
        }
        ASSERT_TRUE(dir.isValid());
        socket = dir.filePath(QStringLiteral("native"));
        const QString home = dir.path();
        ASSERT_TRUE(server.start(
            {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--load=module-null-sink sink_name=testsink",
             "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket},
            {"HOME=" + home, "XDG_RUNTIME_DIR=" + home, "XDG_CONFIG_HOME=" + home + "/config", "DISPLAY"}));
        ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(socket) || !server.running(); }, 30000));
        ASSERT_TRUE(server.running()) << "pulseaudio did not start";
        address = "unix:" + QFile::encodeName(socket);
        env_ = std::make_unique<ScopedEnv>("PULSE_SERVER", address);
    }
    void TearDown() override {
        recorder.stop();
        env_.reset();
        server.stop();
    }

    // Records the null sink's monitor as 16-bit mono until the test ends.
    void startRecorder() {
        ASSERT_TRUE(
            recorder.start({"parec", "--server=" + QString::fromUtf8(address), "--device=testsink.monitor",
                            "--raw", "--format=s16le", "--channels=1", "--rate=44100", "--latency-msec=20"}));
        // The monitor of an idle null sink delivers silence: data flowing means it is connected.
        ASSERT_TRUE(waitUntil([&] { return (recording += recorder.readOutput()).size() > 4410; }, 30000));
    }
    // Waits until the recording since the last call holds `bytes` more, and answers it.
    QByteArray recorded(qsizetype bytes) {
        waitUntil([&] { return (recording += recorder.readOutput()).size() >= bytes; }, 30000);
        return std::exchange(recording, {});
    }
    static int peakOf(const QByteArray& s16) {
        int peak = 0;
        for (qsizetype i = 0; i + 1 < s16.size(); i += 2) {
            peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(s16.constData() + i))));
        }
        return peak;
    }
    int sinkInputs() {
        const ProgramRun pactl =
            run({"pactl", "--server=" + QString::fromUtf8(address), "list", "short", "sink-inputs"});
        return pactl.ok() ? int(pactl.stdOut.count('\n')) : -1;
    }

    QTemporaryDir dir;
    QString socket;
    QByteArray address;
    Child server;
    Child recorder;
    QByteArray recording;
    std::unique_ptr<ScopedEnv> env_;
};

TEST_F(PulseServerTest, PlaysTheShutterIntoTheSink) {
    PulseSoundPlayer player(kServerStartMs);
    ASSERT_TRUE(player.load(bundledShutter()));
    startRecorder();
    EXPECT_LT(peakOf(recorded(8820)), 100); // the sink is quiet before

    ASSERT_TRUE(player.play()) << player.lastError().toStdString();
    EXPECT_TRUE(player.isPlaying());
    EXPECT_TRUE(waitUntil([&] { return !player.isPlaying(); }, 30000));
    // The shutter (a quarter second) peaks at -1 dBFS; the sink at full volume passes it unchanged.
    EXPECT_GT(peakOf(recorded(44100)), 20000);
    EXPECT_TRUE(waitUntil([&] { return sinkInputs() == 0; }, 30000)); // closed after the sound
}

// Playing again restarts the one stream, stop stops it; destroying the player stops it at once and joins.
TEST_F(PulseServerTest, PlayAgainRestartsAndDestructionStopsAndJoins) {
    QTemporaryDir tmp;
    const QString longSound = tmp.filePath(QStringLiteral("long.wav"));
    ASSERT_TRUE(writeFile(longSound, sineWav(44100, 5.0, 440, 0.3)));
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
    ASSERT_TRUE(player.load(bundledShutter()));
    ASSERT_TRUE(player.play());
    server.stop();
    ASSERT_TRUE(waitUntil([&] { return !player.isPlaying(); }, 30000));
    EXPECT_FALSE(player.play());
}

} // namespace
