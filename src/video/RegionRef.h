#pragma once

#include <QUuid>

namespace mebo {

// The timeline's selection: one region of one list.
struct RegionRef {
    enum class List {
        trim,
        speed,
        annotation,
        chapter,
        recordingSegment,
        systemAudioMute,
        micMute,
        webcamHidden
    };
    List list = List::trim;
    QUuid id;

    bool operator==(const RegionRef&) const = default;
};

} // namespace mebo
