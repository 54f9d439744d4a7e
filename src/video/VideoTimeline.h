#pragma once

#include "video/VideoRegions.h"

#include <QList>
#include <optional>

namespace mebo {

// The derived views of the cut and speed lists: which stretches of the source reach the output,
// how fast they play, and the mapping between source time and output time. Pure functions,
// recomputed whenever needed; nothing here is stored.
class VideoTimeline {
public:
    // Stretches of 0.001 s or less count as nothing.
    static constexpr double kMinCutLength = 0.001;
    // The speeds the time map applies at most and at least.
    static constexpr double kMinMappedSpeed = 0.001;
    static constexpr double kMaxMappedSpeed = 1000;

    // A duration that is negative, infinite or not a number counts as 0.
    static double sanitizedDuration(double duration);
    // `t` within [0, duration] (the sanitised duration); NaN gives 0.
    static double clampTime(double t, double duration);

    // The user's trims plus one cut (fresh id) per disabled recording segment, clamped; sorted by
    // start (equal starts: the shorter first).
    static QList<TrimRegion> effectiveCuts(const QList<TrimRegion>& trims,
                                           const QList<RecordingSegment>& segments, double duration);
    // The stretches that reach the output, in order. Overlapping and touching cuts act as their
    // union; without cuts, [0, duration].
    static QList<TimeRange> keptRanges(const QList<TrimRegion>& cuts, double duration);
    // Seconds cut out in total (duration less the kept ranges).
    static double cutSpan(const QList<TrimRegion>& cuts, double duration);
    // The merged cut stretch containing `t` ([start, end) of a cut, extended over cuts that begin
    // within 0.001 s of its end), or nothing. `cuts` sorted by start (effectiveCuts).
    static std::optional<TimeRange> cutSpanAt(const QList<TrimRegion>& cuts, double t);

    // The speed in effect over the whole source: disjoint slices sorted by start. Where regions
    // overlap, the one later in the list wins (it was added or edited on top).
    static QList<VideoExportSpeedSlice> resolvedSpeeds(const QList<SpeedRegion>& regions);

    // The output laid out: the kept ranges end to end, each at speed 1 except inside the resolved
    // speed slices. Segments of zero length are left out.
    static QList<VideoExportTimeMapSegment> timeMap(const QList<TimeRange>& keptRanges,
                                                    const QList<SpeedRegion>& regions);
    // The end of the last segment (0 for an empty map).
    static double outputDuration(const QList<VideoExportTimeMapSegment>& map);
    // Source time → output time; nothing for a time inside a cut or outside the source. The ends of
    // a kept range belong to it.
    static std::optional<double> outputTime(const QList<VideoExportTimeMapSegment>& map, double sourceTime);
    // Source stretches (mute or hidden regions) laid onto the output through the map: each overlap
    // of a region with a piece, longer than 0.01 s in source time, becomes an output range (a
    // speed-2 piece halves it). In output order; ranges of one region split by cuts stay apart.
    static QList<TimeRange> outputRanges(const QList<TrackDisabledRegion>& regions,
                                         const QList<VideoExportTimeMapSegment>& map);
    // Output time → source time (the inverse; at a boundary the later piece answers). Nothing
    // outside [0, outputDuration].
    static std::optional<double> sourceTime(const QList<VideoExportTimeMapSegment>& map, double outputTime);
};

// What playback does at a time update over cuts (the player's seek decision).
struct PlaybackDecision {
    enum class Action { keepPlaying, seek, stopAtEnd };
    Action action = Action::keepPlaying;
    double time = 0; // seek target, or the end for stopAtEnd

    bool operator==(const PlaybackDecision&) const = default;

    // Inside a cut span whose end is more than 0.02 s ahead: seek to its end, or stop at the end
    // when that end lies within 0.05 s of the duration.
    static PlaybackDecision atTime(const QList<TrimRegion>& cuts, double t, double duration);
    // At least duration - 0.05 (never below 0).
    static bool isAtEnd(double t, double duration);
    // Where "play" starts: 0 at the end, else `t`.
    static double playStart(double t, double duration);
};

} // namespace mebo
