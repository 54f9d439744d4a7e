#pragma once

#include "video/VideoRegions.h"

#include <QList>
#include <optional>

namespace mebo {

// The rules of the mute and hidden lists (system audio, microphone, webcam) and of the recording
// segments: clamping to the source, dropping slivers, merging.
class TrackRegions {
public:
    // Regions of 0.05 s or less are dropped by the sanitisers.
    static constexpr double kMinLength = 0.05;
    // The length of "mute/hide for five seconds" and the shortest region it makes.
    static constexpr double kTimedLength = 5.0;
    static constexpr double kMinTimedLength = 0.1;

    // Clamped, longer than 0.05 s, sorted by start.
    static QList<TrackDisabledRegion> sanitized(const QList<TrackDisabledRegion>& regions, double duration);
    // Sanitised, then a region starting no later than the previous end + 0.001 s joins it (the
    // merged region keeps the first one's id).
    static QList<TrackDisabledRegion> merged(const QList<TrackDisabledRegion>& regions, double duration);
    // Whether the clamped `t` lies in [start, end) of a merged region. `merged` from merged().
    static bool isDisabledAt(const QList<TrackDisabledRegion>& merged, double t, double duration);

    // Clamped segments longer than 0.05 s in their stored order; the last one reaches the
    // duration (when the duration is greater than 0).
    static QList<RecordingSegment> sanitizedSegments(const QList<RecordingSegment>& segments,
                                                     double duration);

    // A region of `length` centred on `centre` ("mute/hide for 5 seconds at the playhead"), kept
    // inside the source; nothing when the duration is 0.1 s or less or the result is shorter
    // than 0.1 s.
    static std::optional<TrackDisabledRegion> timedRegion(double centre, double duration,
                                                          double length = kTimedLength);
};

} // namespace mebo
