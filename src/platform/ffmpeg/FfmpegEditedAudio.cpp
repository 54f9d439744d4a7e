#include "platform/ffmpeg/FfmpegEditedAudio.h"

#include <algorithm>
#include <cstring>

namespace mebo::platform {

static_assert(EditedAudioSource::kRate == FfmpegAudioTrack::kRate);

bool FfmpegEditedAudio::open(const QString& path, const QList<CompositionPiece>& timeMap,
                             const QList<CompositionAudioTrack>& tracks, QString* error) {
    tracks_.clear();
    mutes_.clear();
    done_ = 0;
    for (const CompositionAudioTrack& t : tracks) {
        if (!t.enabled) {
            continue;
        }
        auto track = std::make_unique<FfmpegAudioTrack>();
        if (!track->open(path, t.streamIndex, timeMap, error)) {
            tracks_.clear();
            mutes_.clear();
            return false;
        }
        tracks_.push_back(std::move(track));
        mutes_ << t.mutedRanges;
    }
    return true;
}

bool FfmpegEditedAudio::render(float* out, int frames, QString* error) {
    const size_t n = size_t(std::max(frames, 0)) * kChannels;
    std::fill(out, out + n, 0.0f);
    one_.resize(n);
    for (size_t k = 0; k < tracks_.size(); ++k) {
        if (!tracks_[k]->render(one_.data(), frames, error)) {
            return false;
        }
        FfmpegAudioTrack::muteRanges(one_.data(), done_, frames, mutes_[int(k)]);
        for (size_t s = 0; s < n; ++s) {
            out[s] += one_[s];
        }
    }
    for (size_t s = 0; s < n; ++s) {
        out[s] = std::clamp(out[s], -1.0f, 1.0f);
    }
    done_ += frames;
    return true;
}

} // namespace mebo::platform
