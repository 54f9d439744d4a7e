#pragma once

#include <QString>

namespace mebo::platform {

// A playback stream to the sound server, 48 kHz interleaved stereo float (EditedAudioSource's samples). One
// thread at a time.
class AudioOutput {
public:
    static constexpr int kRate = 48000;
    static constexpr int kChannels = 2;

    virtual ~AudioOutput() = default;
    // Connects to the default output; false with the reason when no server answers.
    virtual bool open(QString* error) = 0;
    // Queues `frames` samples; blocks while the server's buffer (a few tens of ms) is full.
    virtual bool write(const float* samples, int frames, QString* error) = 0;
    // Drops what is queued and not yet heard.
    virtual void flush() = 0;
    // Seconds between a sample written now and its being heard.
    virtual double latencySec() = 0;
};

} // namespace mebo::platform
