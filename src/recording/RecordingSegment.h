#pragma once

#include <QString>
#include <QUuid>
#include <optional>

namespace mebo {

// One stretch of a recording between a start or resume and the next pause or stop, in seconds
// on the recording's own timeline (paused time excluded).
struct RecordingSegment {
    QUuid id;
    double startSec = 0;
    double endSec = 0;
    bool isEnabled = true;
    std::optional<QString> title;
    bool operator==(const RecordingSegment&) const = default;
};

} // namespace mebo
