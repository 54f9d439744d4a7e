#include "recording/RecordingSegmentTracker.h"

#include <QUuid>
#include <algorithm>

namespace mebo {

void RecordingSegmentTracker::begin() {
    segments_.clear();
    activeStart_ = 0.0;
    lastEnd_ = 0;
}

void RecordingSegmentTracker::close(double atSec) {
    if (!activeStart_) {
        return;
    }
    const double start = *activeStart_;
    const double end = std::max(atSec, start);
    if (end - start > minimumLengthSec) {
        segments_.append({QUuid::createUuid(), start, end, true, std::nullopt});
    }
    activeStart_.reset();
    lastEnd_ = end;
}

void RecordingSegmentTracker::open() {
    activeStart_ = std::max(lastEnd_, 0.0);
}

} // namespace mebo
