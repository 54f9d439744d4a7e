#pragma once

#include "platform/AudioCapture.h"

namespace mebo::platform {

// Audio capture through the PulseAudio client API (PipeWire's pulse server serves it too). Each
// stream runs its own threaded main loop, named as asked; buffers are 32-bit float stereo at
// 48 kHz, about 10 ms each, stamped with the monotonic time of their first frame (now minus the
// stream's latency). Lookups use a short-lived connection each and give up after a few seconds.
//
// The monitor of the default sink carries everything the sink plays, this program's own sounds
// included: PulseAudio has no way to leave one client out of a monitor (a monitor stream can
// follow one sink input, not all but one). Mebo plays no sound while it records.
class PulseAudioCapture : public AudioCapture {
public:
    explicit PulseAudioCapture(int timeoutMs = 5000) : timeoutMs_(timeoutMs) {}

    Result<QList<AudioSourceInfo>> sources() override;
    Result<QString> systemAudioSource() override;
    Result<QString> defaultInputSource() override;
    Result<std::unique_ptr<AudioCaptureStream>>
    open(const QString& source, const QString& threadName,
         std::function<void(const AudioBuffer&)> onBuffer) override;

private:
    int timeoutMs_;
};

} // namespace mebo::platform
