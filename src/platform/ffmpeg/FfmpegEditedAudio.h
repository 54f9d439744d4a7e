#pragma once

#include "platform/EditedAudioSource.h"
#include "platform/ffmpeg/FfmpegAudioTrack.h"

#include <memory>
#include <vector>

namespace mebo::platform {

// The player's sound: one FfmpegAudioTrack per enabled track, each muted in its ranges, summed
// and clipped (the export's mix, pulled a chunk at a time).
class FfmpegEditedAudio : public EditedAudioSource {
public:
    bool open(const QString& path, const QList<CompositionPiece>& timeMap,
              const QList<CompositionAudioTrack>& tracks, QString* error) override;
    bool render(float* out, int frames, QString* error) override;

private:
    std::vector<std::unique_ptr<FfmpegAudioTrack>> tracks_;
    QList<QList<OutputRange>> mutes_;
    std::vector<float> one_;
    int64_t done_ = 0; // output samples rendered
};

} // namespace mebo::platform
