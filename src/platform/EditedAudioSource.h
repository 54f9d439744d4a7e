#pragma once

#include "platform/VideoComposer.h"

#include <QList>
#include <QString>

namespace mebo::platform {

// The edited sound of a video from some point on: its audio tracks laid on the output timeline
// (cuts left out, speed regions time-stretched with the pitch kept), each silent where it is
// muted and left out when switched off, mixed to 48 kHz interleaved stereo float. Pulled in order
// from one thread; memory bounded by a decoded chunk whatever the length.
class EditedAudioSource {
public:
    static constexpr int kRate = 48000;
    static constexpr int kChannels = 2;

    virtual ~EditedAudioSource() = default;
    // `timeMap` starts at output time 0; the tracks' muted ranges are in the same output time.
    virtual bool open(const QString& path, const QList<CompositionPiece>& timeMap,
                      const QList<CompositionAudioTrack>& tracks, QString* error) = 0;
    // The next `frames` samples into `out` (frames × 2 floats); silence past the end.
    virtual bool render(float* out, int frames, QString* error) = 0;
};

} // namespace mebo::platform
