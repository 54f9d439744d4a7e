#include "recording/AudioLevelMeter.h"

#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

template <class T> float levelFrom(const T* samples, int count, double scale) {
    if (!samples || count <= 0) {
        return 0;
    }
    double sum = 0;
    for (int i = 0; i < count; ++i) {
        const double v = double(samples[i]) / scale;
        sum += v * v;
    }
    const double rms = std::sqrt(sum / count);
    return float(std::clamp(5 * rms, 0.0, 1.0));
}

} // namespace

float AudioLevelMeter::levelOf(const float* samples, int count) {
    return levelFrom(samples, count, 1.0);
}

float AudioLevelMeter::levelOf(const int16_t* samples, int count) {
    return levelFrom(samples, count, 32767.0);
}

float AudioLevelMeter::levelOf(const int32_t* samples, int count) {
    return levelFrom(samples, count, 2147483648.0);
}

void AudioLevelMeter::update(Source source, float level, double uptimeSec) {
    const float clamped = std::isfinite(level) ? std::clamp(level, 0.0f, 1.0f) : 0.0f;
    std::lock_guard lock(audioLevelLock_);
    if (source == Source::mic) {
        latestMic_ = clamped;
        latestMicAt_ = uptimeSec;
    } else {
        latestSystem_ = clamped;
        latestSystemAt_ = uptimeSec;
    }
}

float AudioLevelMeter::level(Source source, double uptimeSec) const {
    std::lock_guard lock(audioLevelLock_);
    const auto& at = source == Source::mic ? latestMicAt_ : latestSystemAt_;
    if (!at || uptimeSec - *at > freshnessSec) {
        return 0;
    }
    return source == Source::mic ? latestMic_ : latestSystem_;
}

float AudioLevelMeter::combined(double uptimeSec) const {
    return std::max(level(Source::mic, uptimeSec), level(Source::system, uptimeSec));
}

void AudioLevelMeter::reset() {
    std::lock_guard lock(audioLevelLock_);
    latestMic_ = latestSystem_ = 0;
    latestMicAt_.reset();
    latestSystemAt_.reset();
}

} // namespace mebo
