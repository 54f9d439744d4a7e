#pragma once

#include "platform/VideoComposer.h"

namespace mebo::platform {

// The export session on FFmpeg. Three stages run at once, joined by short queues (a few frames
// each, so memory stays bounded whatever the length):
// - "mebo.export.decode": decodes the source (and the overlay) forward and picks, for every output
//   frame i at i / fps, the source frame shown at its source time (the time map's inverse);
// - the calling thread: renders each frame through the caller's renderer and reports progress;
// - "mebo.export.encode": lays out, mutes and mixes the audio up to each frame's time and encodes
//   both (FfmpegMediaWriter: H.264 High, AAC, fast start).
class FfmpegVideoComposer : public VideoComposer {
public:
    Outcome run(const CompositionRequest& request, const CompositionRenderer& render,
                const std::function<void(double)>& progress, const std::atomic<bool>& cancel,
                CompositionFailure* failure) override;

    // The source time shown at output time `t`: inside the piece that holds it (the later piece at
    // a boundary), clamped to the piece's source span.
    static double sourceTimeAt(const QList<CompositionPiece>& map, double t);
    // The number of output frames: the duration × fps, a frame that starts before the end counted.
    static int64_t frameCount(double outputDuration, int fps);
    // The centred source rectangle that, scaled uniformly, covers `target` (cover fit).
    static QRect coverCrop(QSize source, QSize target);
};

} // namespace mebo::platform
