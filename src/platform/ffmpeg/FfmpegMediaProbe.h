#pragma once

#include "platform/MediaProbe.h"

namespace mebo::platform {

// Media facts through libavformat: the container's headers and stream parameters, no decoding
// beyond what stream detection needs.
//
// Audio roles: a track whose title or handler name mentions "mic" is the microphone, one that
// mentions "system" the system audio; untagged tracks take the remaining roles in stream order
// (system first), so a recording with two plain tracks reads as system + microphone and one with
// a single track as system audio.
class FfmpegMediaProbe : public MediaProbe {
public:
    std::optional<MediaStreamFacts> probe(const QString& path, QString* error) override;
};

} // namespace mebo::platform
