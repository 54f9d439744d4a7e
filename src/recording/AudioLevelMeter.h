#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

namespace mebo {

// The microphone and system-audio levels the recording panel shows: the latest level of each
// source (min(1, 5 x RMS) of a buffer's samples) and when it was measured; a level older than
// 0.18 s counts as silence. Audio threads write, the main thread reads; `audioLevelLock` is a leaf.
class AudioLevelMeter {
public:
    static constexpr double freshnessSec = 0.18;

    enum class Source { mic, system };

    // Level of interleaved float samples (already -1...1).
    static float levelOf(const float* samples, int count);
    // Level of 16-bit and 32-bit integer samples (divided by 32767 and 2^31).
    static float levelOf(const int16_t* samples, int count);
    static float levelOf(const int32_t* samples, int count);

    void update(Source source, float level, double uptimeSec);
    // The source's level at `uptimeSec` (0 when stale or never measured).
    float level(Source source, double uptimeSec) const;
    // What the panel shows for the recording: the louder of the two fresh levels.
    float combined(double uptimeSec) const;
    void reset();

private:
    mutable std::mutex audioLevelLock_;
    float latestMic_ = 0;
    std::optional<double> latestMicAt_;
    float latestSystem_ = 0;
    std::optional<double> latestSystemAt_;
};

} // namespace mebo
