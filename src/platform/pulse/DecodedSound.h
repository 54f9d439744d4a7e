#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace mebo::platform {

// A whole sound file decoded into memory: interleaved 32-bit float samples in [-1, 1].
struct DecodedSound {
    int sampleRate = 0; // frames per second
    int channels = 0;
    std::vector<float> samples; // frames * channels values

    qint64 frames() const { return channels > 0 ? qint64(samples.size()) / channels : 0; }
    double durationSec() const { return sampleRate > 0 ? double(frames()) / sampleRate : 0.0; }

    // WAV, AIFF, FLAC, Ogg Vorbis ... (whatever libsndfile reads). Short sounds only: files
    // longer than `maxDurationSec` are refused. On failure `error` says why.
    static std::optional<DecodedSound> fromFile(const QString& path, QString* error,
                                                double maxDurationSec = 60.0);
};

} // namespace mebo::platform
