// The video editor's sound stream against a private PulseAudio server with a null sink (what it
// plays is read back from the sink's monitor).
#include "platform/pulse/PulseAudioOutput.h"

#include "support/PrivatePulse.h"
#include "support/TestUtil.h"

#include <QProcess>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using mebo::platform::PulseAudioOutput;

namespace {

// Sets an environment variable for the test's lifetime.
struct EnvOverride {
    QByteArray name;
    QByteArray old;
    bool had;
    EnvOverride(const char* n, const QByteArray& value)
        : name(n), old(qgetenv(n)), had(qEnvironmentVariableIsSet(n)) {
        qputenv(n, value);
    }
    ~EnvOverride() { had ? qputenv(name.constData(), old) : qunsetenv(name.constData()); }
};

int peakOf(const QByteArray& s16) {
    int peak = 0;
    for (qsizetype i = 0; i + 1 < s16.size(); i += 2) {
        peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(s16.constData() + i))));
    }
    return peak;
}

TEST(PulseAudioOutput, PlaysIntoTheDefaultSinkAndClosesItsStream) {
    mebo::test::PrivatePulse pulse;
    QString why;
    if (!pulse.start(&why)) {
        GTEST_SKIP() << why.toStdString();
    }
    EnvOverride server("PULSE_SERVER", pulse.address().toUtf8());
    QProcess recorder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    pulse.apply(env);
    recorder.setProcessEnvironment(env);
    recorder.start(QStringLiteral("parec"), {"--device=testsink.monitor", "--raw", "--format=s16le",
                                             "--channels=1", "--rate=48000", "--latency-msec=20"});
    ASSERT_TRUE(recorder.waitForStarted(10000));
    QByteArray recorded;
    // The monitor of an idle null sink delivers silence: data flowing means it is connected.
    ASSERT_TRUE(mebo::test::waitUntil(
        [&] { return (recorded += recorder.readAllStandardOutput()).size() > 4800; }, 30000));
    EXPECT_LT(peakOf(recorded), 100);
    recorded.clear();
    auto streams = [&] { return pulse.pactl({"list", "short", "sink-inputs"}).count('\n'); };
    {
        PulseAudioOutput out;
        QString error;
        ASSERT_TRUE(out.open(&error)) << error.toStdString();
        EXPECT_EQ(streams(), 1);
        // Half a second of a 440 Hz tone at half scale, in the player's 20 ms chunks.
        std::vector<float> chunk(960 * 2);
        for (int c = 0, i = 0; c < 25; ++c) {
            for (int k = 0; k < 960; ++k, ++i) {
                chunk[size_t(k) * 2] = chunk[size_t(k) * 2 + 1] =
                    float(0.5 * std::sin(2 * M_PI * 440 * i / 48000.0));
            }
            ASSERT_TRUE(out.write(chunk.data(), 960, &error)) << error.toStdString();
        }
        EXPECT_GE(out.latencySec(), 0);
        EXPECT_LT(out.latencySec(), 1);
        EXPECT_TRUE(mebo::test::waitUntil(
            [&] { return peakOf(recorded += recorder.readAllStandardOutput()) > 12000; }, 30000));
        out.flush();
    }
    EXPECT_TRUE(mebo::test::waitUntil([&] { return streams() == 0; }, 30000));
    recorder.kill();
    recorder.waitForFinished(5000);
}

} // namespace
