#pragma once

#include <QList>
#include <cstdint>

namespace mebo {

// One pointer sample or click of a recording's cursor telemetry: milliseconds on the recording's
// timeline and the position normalised to the recorded rectangle (0...1, origin bottom-left;
// outside the rectangle below 0 or above 1).
struct CursorPoint {
    int64_t timeMs = 0;
    double x = 0;
    double y = 0;
    bool operator==(const CursorPoint&) const = default;
};

using CursorPoints = QList<CursorPoint>;

} // namespace mebo
