#pragma once

#include "scroll/StitchedImage.h"

#include <QImage>
#include <QString>
#include <functional>
#include <optional>

namespace mebo {

// Stitches frames that were captured already, in order, with the rules a scroll session applies
// to live frames: duplicates are skipped, a frame that does not align is tried again as if a
// strong scroll had preceded it, and six frames in a row that cannot be aligned end the run
// (the image would have a gap). Frames are loaded one at a time, so memory stays bounded by the
// stitched image. Any thread.
class FrameSequenceStitcher {
public:
    struct Result {
        std::optional<StitchedImage> image; // none on failure
        int framesAppended = 0;
        int duplicates = 0;
        QString error; // why there is no image
    };

    // `load(i)` answers frame i (0 <= i < count), or a null image with `*why` set.
    static Result stitch(int count, const std::function<QImage(int index, QString* why)>& load,
                         qint64 byteLimit);
};

} // namespace mebo
