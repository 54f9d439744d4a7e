#include "video/VideoTimeline.h"

#include "video/StartOrder.h"

#include <algorithm>
#include <cmath>
#include <queue>

namespace mebo {

namespace {

// Pieces shorter than this are rounding noise of the sums below.
constexpr double kEpsilon = 1e-9;

} // namespace

double VideoTimeline::sanitizedDuration(double duration) {
    return std::isfinite(duration) && duration > 0 ? duration : 0;
}

double VideoTimeline::clampTime(double t, double duration) {
    if (std::isnan(t)) {
        return 0;
    }
    return std::clamp(t, 0.0, sanitizedDuration(duration));
}

QList<TrimRegion> VideoTimeline::effectiveCuts(const QList<TrimRegion>& trims,
                                               const QList<RecordingSegment>& segments, double duration) {
    QList<TrimRegion> cuts = trims;
    for (const RecordingSegment& s : segments) {
        if (s.isEnabled) {
            continue;
        }
        const double start = clampTime(s.startSec, duration);
        const double end = clampTime(s.endSec, duration);
        if (end - start > kMinCutLength) {
            cuts.append(TrimRegion{QUuid::createUuid(), start, end});
        }
    }
    sortByStartSec(cuts);
    return cuts;
}

QList<TimeRange> VideoTimeline::keptRanges(const QList<TrimRegion>& cuts, double duration) {
    const double d = sanitizedDuration(duration);
    QList<TimeRange> clamped;
    clamped.reserve(cuts.size());
    for (const TrimRegion& c : cuts) {
        const TimeRange r{clampTime(c.startSec, d), clampTime(c.endSec, d)};
        if (r.length() > kMinCutLength) {
            clamped.append(r);
        }
    }
    if (clamped.isEmpty()) {
        return {TimeRange{0, d}};
    }
    sortByStart(
        clamped, [](const TimeRange& r) { return r.start; },
        [](const TimeRange& a, const TimeRange& b) { return a.end < b.end; });
    QList<TimeRange> kept;
    kept.reserve(clamped.size() + 1);
    double cursor = 0;
    for (const TimeRange& cut : clamped) {
        if (cursor < cut.start) {
            kept.append({cursor, cut.start});
        }
        cursor = std::max(cursor, cut.end);
    }
    if (cursor < d) {
        kept.append({cursor, d});
    }
    return kept;
}

double VideoTimeline::cutSpan(const QList<TrimRegion>& cuts, double duration) {
    double kept = 0;
    for (const TimeRange& r : keptRanges(cuts, duration)) {
        kept += r.length();
    }
    return sanitizedDuration(duration) - kept;
}

std::optional<TimeRange> VideoTimeline::cutSpanAt(const QList<TrimRegion>& cuts, double t) {
    qsizetype i = 0;
    std::optional<TimeRange> span;
    for (; i < cuts.size(); ++i) {
        const TrimRegion& c = cuts[i];
        if (c.startSec > t) {
            return std::nullopt;
        }
        if (c.endSec > t) {
            span = TimeRange{c.startSec, c.endSec};
            break;
        }
    }
    if (!span) {
        return std::nullopt;
    }
    for (++i; i < cuts.size() && cuts[i].startSec <= span->end + kMinCutLength; ++i) {
        span->end = std::max(span->end, cuts[i].endSec);
    }
    return span;
}

QList<VideoExportSpeedSlice> VideoTimeline::resolvedSpeeds(const QList<SpeedRegion>& regions) {
    // Usable regions with their place in the list (the later one wins an overlap).
    struct Item {
        double start, end, speed;
        qsizetype order;
    };
    std::vector<Item> items;
    items.reserve(size_t(regions.size()));
    for (qsizetype i = 0; i < regions.size(); ++i) {
        const SpeedRegion& r = regions[i];
        if (r.speed > 0 && std::isfinite(r.speed) && std::isfinite(r.startSec) && std::isfinite(r.endSec) &&
            r.startSec < r.endSec) {
            // A file may hold any positive speed; beyond these bounds the output would be endless
            // or empty, so the map keeps it within them.
            items.push_back({r.startSec, r.endSec, std::clamp(r.speed, kMinMappedSpeed, kMaxMappedSpeed), i});
        }
    }
    auto byStart = [](const Item& a, const Item& b) {
        return a.start < b.start || (a.start == b.start && a.order < b.order);
    };
    if (!std::is_sorted(items.begin(), items.end(), byStart)) {
        std::sort(items.begin(), items.end(), byStart);
    }
    bool overlaps = false;
    for (size_t i = 1; i < items.size() && !overlaps; ++i) {
        overlaps = items[i].start < items[i - 1].end;
    }
    QList<VideoExportSpeedSlice> out;
    out.reserve(qsizetype(items.size()));
    auto append = [&out](double s, double e, double speed) {
        if (e - s <= kEpsilon) {
            return;
        }
        if (!out.isEmpty() && out.last().speed == speed && out.last().sourceEnd == s) {
            out.last().sourceEnd = e;
        } else {
            out.append({s, e, speed});
        }
    };
    if (!overlaps) {
        for (const Item& it : items) {
            append(it.start, it.end, it.speed);
        }
        return out;
    }
    // Sweep the boundaries; the active region latest in the list sets the speed.
    std::vector<double> cuts;
    cuts.reserve(items.size() * 2);
    for (const Item& it : items) {
        cuts.push_back(it.start);
        cuts.push_back(it.end);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    auto later = [](const Item* a, const Item* b) { return a->order < b->order; };
    std::priority_queue<const Item*, std::vector<const Item*>, decltype(later)> active(later);
    size_t next = 0;
    for (size_t k = 0; k + 1 < cuts.size(); ++k) {
        const double s = cuts[k];
        const double e = cuts[k + 1];
        while (next < items.size() && items[next].start <= s) {
            active.push(&items[next++]);
        }
        while (!active.empty() && active.top()->end <= s) {
            active.pop(); // ended: no later boundary can revive it
        }
        // A region ended below the top stays queued until it surfaces; it cannot win meanwhile
        // because the top outranks it.
        if (!active.empty()) {
            append(s, e, active.top()->speed);
        }
    }
    return out;
}

QList<VideoExportTimeMapSegment> VideoTimeline::timeMap(const QList<TimeRange>& keptRanges,
                                                        const QList<SpeedRegion>& regions) {
    const QList<VideoExportSpeedSlice> speeds = resolvedSpeeds(regions);
    QList<VideoExportTimeMapSegment> map;
    map.reserve(keptRanges.size() + 2 * speeds.size());
    double cursor = 0;
    auto place = [&map, &cursor](double s, double e, double speed) {
        if (e - s <= kEpsilon) {
            return;
        }
        const double length = (e - s) / speed;
        map.append({cursor, s, speed, length});
        cursor += length;
    };
    qsizetype p = 0;
    for (const TimeRange& kept : keptRanges) {
        while (p < speeds.size() && speeds[p].sourceEnd <= kept.start) {
            ++p;
        }
        double pos = kept.start;
        for (qsizetype q = p; q < speeds.size() && speeds[q].sourceStart < kept.end; ++q) {
            const double s = std::max(kept.start, speeds[q].sourceStart);
            const double e = std::min(kept.end, speeds[q].sourceEnd);
            place(pos, s, 1.0);
            place(s, e, speeds[q].speed);
            pos = std::max(pos, e);
        }
        place(pos, kept.end, 1.0);
    }
    return map;
}

double VideoTimeline::outputDuration(const QList<VideoExportTimeMapSegment>& map) {
    return map.isEmpty() ? 0 : map.last().compStart + map.last().compDuration;
}

std::optional<double> VideoTimeline::outputTime(const QList<VideoExportTimeMapSegment>& map,
                                                double sourceTime) {
    // The first segment that has not ended before the time.
    auto it = std::lower_bound(map.begin(), map.end(), sourceTime,
                               [](const auto& seg, double t) { return seg.sourceEnd() < t - kEpsilon; });
    if (it == map.end() || sourceTime < it->sourceStart - kEpsilon) {
        return std::nullopt;
    }
    const double offset = std::clamp((sourceTime - it->sourceStart) / it->speed, 0.0, it->compDuration);
    return it->compStart + offset;
}

QList<TimeRange> VideoTimeline::outputRanges(const QList<TrackDisabledRegion>& regions,
                                             const QList<VideoExportTimeMapSegment>& map) {
    QList<TimeRange> out;
    for (const TrackDisabledRegion& r : regions) {
        // The first piece that ends after the region starts; pieces are in source order.
        auto it = std::upper_bound(map.begin(), map.end(), r.startSec,
                                   [](double t, const auto& seg) { return t < seg.sourceEnd(); });
        for (; it != map.end() && it->sourceStart < r.endSec; ++it) {
            if (!(it->speed > 0 && it->compDuration > 0)) {
                continue;
            }
            const double s = std::max(r.startSec, it->sourceStart);
            const double e = std::min(r.endSec, it->sourceEnd());
            if (e - s > 0.01) {
                const double start = it->compStart + (s - it->sourceStart) / it->speed;
                out.append({start, start + (e - s) / it->speed});
            }
        }
    }
    sortByStart(
        out, [](const TimeRange& r) { return r.start; },
        [](const TimeRange& a, const TimeRange& b) { return a.end < b.end; });
    return out;
}

std::optional<double> VideoTimeline::sourceTime(const QList<VideoExportTimeMapSegment>& map,
                                                double outputTime) {
    if (map.isEmpty() || outputTime < -kEpsilon || outputTime > outputDuration(map) + kEpsilon) {
        return std::nullopt;
    }
    // The last segment starting at or before the time.
    auto it = std::upper_bound(map.begin(), map.end(), outputTime,
                               [](double t, const auto& seg) { return t < seg.compStart; });
    if (it != map.begin()) {
        --it;
    }
    const double offset = std::clamp(outputTime - it->compStart, 0.0, it->compDuration);
    return it->sourceStart + offset * it->speed;
}

PlaybackDecision PlaybackDecision::atTime(const QList<TrimRegion>& cuts, double t, double duration) {
    const auto span = VideoTimeline::cutSpanAt(cuts, t);
    if (!span || span->end - t <= 0.02) {
        return {};
    }
    const double d = VideoTimeline::sanitizedDuration(duration);
    if (span->end >= d - 0.05) {
        return {Action::stopAtEnd, d};
    }
    return {Action::seek, span->end};
}

bool PlaybackDecision::isAtEnd(double t, double duration) {
    return t >= std::max(VideoTimeline::sanitizedDuration(duration) - 0.05, 0.0);
}

double PlaybackDecision::playStart(double t, double duration) {
    return isAtEnd(t, duration) ? 0 : t;
}

} // namespace mebo
