// The video editor's sound stream against a private PulseAudio server with a null sink (what it
// plays is read back from the sink's monitor).
#include "platform/pulse/PulseAudioOutput.h"

#include "support/PrivatePulse.h"
#include "support/ScopedEnv.h"
#include "support/TestUtil.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using mebo::platform::PulseAudioOutput;

namespace {

TEST(PulseAudioOutput, PlaysIntoTheDefaultSinkAndClosesItsStream) {
    mebo::test::PrivatePulse pulse;
    QString why;
    if (!pulse.start(&why)) {
        GTEST_SKIP() << why.toStdString();
    }
    mebo::test::ScopedEnv server("PULSE_SERVER", pulse.address().toUtf8());
    mebo::test::SinkRecorder recorder;
    ASSERT_TRUE(recorder.start(pulse, 48000));
    EXPECT_LT(mebo::test::SinkRecorder::peakOf(recorder.take(0)), 100);
    {
        PulseAudioOutput out;
        QString error;
        ASSERT_TRUE(out.open(&error)) << error.toStdString();
        EXPECT_EQ(pulse.sinkInputs(), 1);
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
        EXPECT_TRUE(mebo::test::waitUntil([&] { return recorder.peakSoFar() > 12000; }, 30000));
        out.flush();
    }
    EXPECT_TRUE(mebo::test::waitUntil([&] { return pulse.sinkInputs() == 0; }, 30000));
}

} // namespace
