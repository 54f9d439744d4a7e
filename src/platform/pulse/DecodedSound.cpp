#include "platform/pulse/DecodedSound.h"

#include <QFile>

#include <sndfile.h>

namespace mebo::platform {

namespace {
constexpr int kMaxChannels = 8;
constexpr int kMaxSampleRate = 384000;
constexpr sf_count_t kReadFrames = 4096;
} // namespace

std::optional<DecodedSound> DecodedSound::fromFile(const QString& path, QString* error,
                                                   double maxDurationSec) {
    auto fail = [&](const QString& reason) {
        if (error) {
            *error = QStringLiteral("%1: %2").arg(path, reason);
        }
        return std::nullopt;
    };
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file) {
        return fail(QString::fromUtf8(sf_strerror(nullptr)));
    }
    struct Closer {
        SNDFILE* f;
        ~Closer() { sf_close(f); }
    } closer{file};

    if (info.channels < 1 || info.channels > kMaxChannels) {
        return fail(QStringLiteral("unsupported channel count %1").arg(info.channels));
    }
    if (info.samplerate < 1 || info.samplerate > kMaxSampleRate) {
        return fail(QStringLiteral("unsupported sample rate %1").arg(info.samplerate));
    }
    const auto maxFrames = sf_count_t(maxDurationSec * info.samplerate);
    if (info.frames > maxFrames) {
        return fail(QStringLiteral("longer than %1 s").arg(maxDurationSec));
    }

    DecodedSound sound;
    sound.sampleRate = info.samplerate;
    sound.channels = info.channels;
    if (info.frames > 0) {
        sound.samples.reserve(size_t(info.frames) * size_t(info.channels));
    }
    // Read until the decoder stops: the header's frame count is not exact for every format.
    std::vector<float> chunk(size_t(kReadFrames) * size_t(info.channels));
    sf_count_t total = 0;
    for (;;) {
        const sf_count_t got = sf_readf_float(file, chunk.data(), kReadFrames);
        if (got <= 0) {
            break;
        }
        total += got;
        if (total > maxFrames) {
            return fail(QStringLiteral("longer than %1 s").arg(maxDurationSec));
        }
        sound.samples.insert(sound.samples.end(), chunk.begin(), chunk.begin() + got * info.channels);
    }
    if (sf_error(file) != SF_ERR_NO_ERROR) {
        return fail(QString::fromUtf8(sf_strerror(file)));
    }
    if (sound.samples.empty()) {
        return fail(QStringLiteral("no audio frames"));
    }
    return sound;
}

} // namespace mebo::platform
