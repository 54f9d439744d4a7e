#pragma once

#include "platform/Result.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace mebo::platform {

struct AudioSourceInfo {
    QString name;        // the unique id (PulseAudio source name)
    QString description; // what the user sees
    bool isMonitor = false;
};

// Interleaved 32-bit float stereo at 48 kHz; `ptsNs` is the monotonic time of the first frame.
struct AudioBuffer {
    const float* samples = nullptr;
    int frames = 0;
    int64_t ptsNs = 0;
};

class AudioCaptureStream {
public:
    virtual ~AudioCaptureStream() = default;
    // Joins the stream's thread: no callback runs after stop() returned.
    virtual void stop() = 0;
};

// Audio input devices. Stream callbacks run on the stream's own thread, named as given.
class AudioCapture {
public:
    static constexpr int sampleRate = 48000;
    static constexpr int channels = 2;

    virtual ~AudioCapture() = default;
    virtual Result<QList<AudioSourceInfo>> sources() = 0;
    // The source that carries what the default output plays (its monitor).
    virtual Result<QString> systemAudioSource() = 0;
    // The default input (microphone).
    virtual Result<QString> defaultInputSource() = 0;
    virtual Result<std::unique_ptr<AudioCaptureStream>>
    open(const QString& source, const QString& threadName,
         std::function<void(const AudioBuffer&)> onBuffer) = 0;
};

} // namespace mebo::platform
