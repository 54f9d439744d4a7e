#pragma once

#include "recording/RecordingSegment.h"

#include <QList>
#include <optional>

namespace mebo {

// Cuts a recording into segments at every pause: opened at start and resume, closed at pause
// and stop. Segments of 0.05 s or less are dropped, but the next one still starts at their end,
// so the kept segments stay contiguous on the recording's timeline. Main thread.
class RecordingSegmentTracker {
public:
    static constexpr double minimumLengthSec = 0.05;

    void begin();
    void close(double atSec);
    void open();

    const QList<RecordingSegment>& segments() const { return segments_; }
    std::optional<double> activeStartSec() const { return activeStart_; }
    double lastEndSec() const { return lastEnd_; }

private:
    QList<RecordingSegment> segments_;
    std::optional<double> activeStart_;
    double lastEnd_ = 0;
};

} // namespace mebo
