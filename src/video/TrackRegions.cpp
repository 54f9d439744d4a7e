#include "video/TrackRegions.h"

#include "video/StartOrder.h"
#include "video/VideoTimeline.h"

#include <algorithm>
#include <cmath>

namespace mebo {

QList<TrackDisabledRegion> TrackRegions::sanitized(const QList<TrackDisabledRegion>& regions,
                                                   double duration) {
    QList<TrackDisabledRegion> out;
    out.reserve(regions.size());
    for (const TrackDisabledRegion& r : regions) {
        const double s = VideoTimeline::clampTime(r.startSec, duration);
        const double e = VideoTimeline::clampTime(r.endSec, duration);
        if (e - s > kMinLength) {
            out.append({r.id, s, e});
        }
    }
    sortByStartSec(out);
    return out;
}

QList<TrackDisabledRegion> TrackRegions::merged(const QList<TrackDisabledRegion>& regions, double duration) {
    const QList<TrackDisabledRegion> sorted = sanitized(regions, duration);
    QList<TrackDisabledRegion> out;
    out.reserve(sorted.size());
    for (const TrackDisabledRegion& r : sorted) {
        if (!out.isEmpty() && r.startSec <= out.last().endSec + VideoTimeline::kMinCutLength) {
            out.last().endSec = std::max(out.last().endSec, r.endSec);
        } else {
            out.append(r);
        }
    }
    return out;
}

bool TrackRegions::isDisabledAt(const QList<TrackDisabledRegion>& merged, double t, double duration) {
    const double c = VideoTimeline::clampTime(t, duration);
    // Merged regions are sorted and disjoint: the last one starting at or before c decides.
    auto it = std::upper_bound(merged.begin(), merged.end(), c,
                               [](double time, const auto& r) { return time < r.startSec; });
    return it != merged.begin() && std::prev(it)->endSec > c;
}

QList<RecordingSegment> TrackRegions::sanitizedSegments(const QList<RecordingSegment>& segments,
                                                        double duration) {
    QList<RecordingSegment> out;
    out.reserve(segments.size());
    for (const RecordingSegment& seg : segments) {
        RecordingSegment s = seg;
        s.startSec = VideoTimeline::clampTime(seg.startSec, duration);
        s.endSec = VideoTimeline::clampTime(seg.endSec, duration);
        if (s.endSec - s.startSec > kMinLength) {
            out.append(std::move(s));
        }
    }
    const double d = VideoTimeline::sanitizedDuration(duration);
    if (!out.isEmpty() && d > 0) {
        out.last().endSec = d;
    }
    return out;
}

std::optional<TrackDisabledRegion> TrackRegions::timedRegion(double centre, double duration, double length) {
    const double d = VideoTimeline::sanitizedDuration(duration);
    if (d <= kMinTimedLength || std::isnan(centre) || std::isnan(length)) {
        return std::nullopt;
    }
    const double c = std::min(centre, d);
    const double len = std::clamp(length, kMinTimedLength, d);
    const double start = std::clamp(c - len / 2, 0.0, d - len);
    const double end = std::min(start + len, d);
    if (end - start < kMinTimedLength - 1e-9) { // rounding of start + length
        return std::nullopt;
    }
    return TrackDisabledRegion{QUuid::createUuid(), start, end};
}

} // namespace mebo
