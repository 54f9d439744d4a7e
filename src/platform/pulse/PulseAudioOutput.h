#pragma once

#include "platform/AudioOutput.h"

struct pa_simple;

namespace mebo::platform {

// A playback stream through the PulseAudio simple API (also served by PipeWire's pulse server).
// The server keeps a small buffer so that a flush (a seek, a pause) is heard at once.
class PulseAudioOutput : public AudioOutput {
public:
    PulseAudioOutput() = default;
    ~PulseAudioOutput() override;
    PulseAudioOutput(const PulseAudioOutput&) = delete;
    PulseAudioOutput& operator=(const PulseAudioOutput&) = delete;

    bool open(QString* error) override;
    bool write(const float* samples, int frames, QString* error) override;
    void flush() override;
    double latencySec() override;

private:
    ::pa_simple* stream_ = nullptr;
};

} // namespace mebo::platform
