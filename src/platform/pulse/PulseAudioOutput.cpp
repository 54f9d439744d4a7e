#include "platform/pulse/PulseAudioOutput.h"

#include <pulse/error.h>
#include <pulse/simple.h>

namespace mebo::platform {

namespace {

// 60 ms in the server: small enough that a seek is heard promptly, large enough not to starve
// while the decoder starts a new stretch.
constexpr pa_usec_t kTargetBufferUs = 60000;
constexpr pa_usec_t kMinRequestUs = 15000;

pa_sample_spec outputFormat() {
    constexpr int kRate = AudioOutput::kRate;
    constexpr int kChannels = AudioOutput::kChannels;
    pa_sample_spec s{};
    s.format = PA_SAMPLE_FLOAT32NE;
    s.rate = uint32_t(kRate);
    s.channels = uint8_t(kChannels);
    return s;
}

} // namespace

PulseAudioOutput::~PulseAudioOutput() {
    if (stream_) {
        int error = 0;
        pa_simple_flush(stream_, &error);
        pa_simple_free(stream_);
    }
}

bool PulseAudioOutput::open(QString* error) {
    if (stream_) {
        return true;
    }
    const pa_sample_spec format = outputFormat();
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = uint32_t(pa_usec_to_bytes(kTargetBufferUs, &format));
    attr.prebuf = uint32_t(-1);
    attr.minreq = uint32_t(pa_usec_to_bytes(kMinRequestUs, &format));
    attr.fragsize = uint32_t(-1);
    int code = 0;
    stream_ =
        pa_simple_new(nullptr, "Mebo", PA_STREAM_PLAYBACK, nullptr, "Video", &format, nullptr, &attr, &code);
    if (!stream_ && error) {
        *error =
            QStringLiteral("Cannot reach the sound server: %1").arg(QString::fromUtf8(pa_strerror(code)));
    }
    return stream_ != nullptr;
}

bool PulseAudioOutput::write(const float* samples, int frames, QString* error) {
    if (!stream_) {
        if (error) {
            *error = QStringLiteral("the stream is not open");
        }
        return false;
    }
    int code = 0;
    const size_t bytes = size_t(frames) * kChannels * sizeof(float);
    if (pa_simple_write(stream_, samples, bytes, &code) < 0) {
        if (error) {
            *error = QString::fromUtf8(pa_strerror(code));
        }
        return false;
    }
    return true;
}

void PulseAudioOutput::flush() {
    if (stream_) {
        int code = 0;
        pa_simple_flush(stream_, &code);
    }
}

double PulseAudioOutput::latencySec() {
    if (!stream_) {
        return 0;
    }
    int code = 0;
    const pa_usec_t us = pa_simple_get_latency(stream_, &code);
    return us == pa_usec_t(-1) ? 0 : double(us) / 1e6;
}

} // namespace mebo::platform
