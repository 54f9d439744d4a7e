#include "video/VideoTimeline.h"

#include <gtest/gtest.h>
#include <limits>

using namespace mebo;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

QList<TrimRegion> trims(std::initializer_list<std::pair<double, double>> spans) {
    QList<TrimRegion> out;
    for (auto [s, e] : spans) {
        out.append({QUuid::createUuid(), s, e});
    }
    return out;
}

QList<TimeRange> ranges(std::initializer_list<std::pair<double, double>> spans) {
    QList<TimeRange> out;
    for (auto [s, e] : spans) {
        out.append({s, e});
    }
    return out;
}

SpeedRegion speedRegion(double s, double e, double speed) {
    return {QUuid::createUuid(), s, e, speed};
}

struct KeptCase {
    const char* name;
    QList<TrimRegion> cuts;
    double duration;
    QList<TimeRange> kept;
};

TEST(VideoTimelineTest, KeptRangesAreTheComplementOfTheMergedCuts) {
    const KeptCase cases[] = {
        {"no cuts", {}, 10, ranges({{0, 10}})},
        {"overlapping cuts act as their union", trims({{1, 3}, {2, 5}}), 10, ranges({{0, 1}, {5, 10}})},
        {"touching cuts", trims({{1, 3}, {3, 5}}), 10, ranges({{0, 1}, {5, 10}})},
        {"unsorted cuts", trims({{6, 7}, {1, 2}}), 10, ranges({{0, 1}, {2, 6}, {7, 10}})},
        {"a cut of 0.0005 s is nothing", trims({{4, 4.0005}}), 10, ranges({{0, 10}})},
        {"cuts at both ends", trims({{-3, 1}, {9, 20}}), 10, ranges({{1, 9}})},
        {"everything cut", trims({{0, 10}}), 10, {}},
        {"reversed cut is nothing", trims({{5, 3}}), 10, ranges({{0, 10}})},
        {"negative duration counts as 0", trims({{1, 2}}), -4, ranges({{0, 0}})},
        {"infinite duration counts as 0", {}, kInf, ranges({{0, 0}})},
        {"NaN duration counts as 0", {}, kNaN, ranges({{0, 0}})},
    };
    for (const KeptCase& c : cases) {
        EXPECT_EQ(VideoTimeline::keptRanges(c.cuts, c.duration), c.kept) << c.name;
    }
}

TEST(VideoTimelineTest, DisabledSegmentsCutExactlyLikeTrims) {
    const QList<RecordingSegment> segments{{QUuid::createUuid(), 0, 3, true, {}},
                                           {QUuid::createUuid(), 3, 6, false, {}},
                                           {QUuid::createUuid(), 6, 10, true, {}}};
    const auto cuts = VideoTimeline::effectiveCuts({}, segments, 10);
    ASSERT_EQ(cuts.size(), 1);
    EXPECT_FALSE(cuts[0].id.isNull());
    EXPECT_EQ(VideoTimeline::keptRanges(cuts, 10), VideoTimeline::keptRanges(trims({{3, 6}}), 10));
    // Re-enabled, the stretch comes back; a clamped sliver adds nothing.
    QList<RecordingSegment> enabled = segments;
    enabled[1].isEnabled = true;
    enabled.append({QUuid::createUuid(), 10, 12, false, {}});
    EXPECT_TRUE(VideoTimeline::effectiveCuts({}, enabled, 10).isEmpty());
    // User trims and segment cuts are sorted together by start.
    const auto mixed = VideoTimeline::effectiveCuts(trims({{7, 8}, {1, 2}}), segments, 10);
    EXPECT_TRUE(mixed[0].startSec == 1 && mixed[1].startSec == 3 && mixed[2].startSec == 7);
    EXPECT_DOUBLE_EQ(VideoTimeline::cutSpan(mixed, 10), 5);
}

TEST(VideoTimelineTest, CutSpanAtMergesCutsThatFollowWithinAMillisecond) {
    const auto cuts = trims({{1, 3}, {3.0005, 4}, {4.5, 6}, {8, 9}});
    struct Case {
        double t;
        std::optional<TimeRange> span;
    } cases[] = {
        {0.5, std::nullopt},         {1, TimeRange{1, 4}},    {2, TimeRange{1, 4}},
        {3.2, TimeRange{3.0005, 4}}, {4, std::nullopt},       {4.5, TimeRange{4.5, 6}},
        {7, std::nullopt},           {8.99, TimeRange{8, 9}}, {9, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VideoTimeline::cutSpanAt(cuts, c.t), c.span) << c.t;
    }
}

TEST(VideoTimelineTest, TimeMapOfTheReferenceEdit) {
    // A 10 s source, cut [2, 4], speed [6, 8] at 2x: 7 s of output.
    const auto kept = VideoTimeline::keptRanges(trims({{2, 4}}), 10);
    const auto map = VideoTimeline::timeMap(kept, {speedRegion(6, 8, 2)});
    const QList<VideoExportTimeMapSegment> expected{{0, 0, 1, 2}, {2, 4, 1, 2}, {4, 6, 2, 1}, {5, 8, 1, 2}};
    EXPECT_EQ(map, expected);
    EXPECT_DOUBLE_EQ(VideoTimeline::outputDuration(map), 7);
    const struct {
        double source;
        std::optional<double> output;
    } points[] = {{0, 0},
                  {1, 1},
                  {2, 2},
                  {3, std::nullopt},
                  {4, 2},
                  {6, 4},
                  {7, 4.5},
                  {8, 5},
                  {10, 7},
                  {10.5, std::nullopt},
                  {-1, std::nullopt}};
    for (const auto& p : points) {
        EXPECT_EQ(VideoTimeline::outputTime(map, p.source), p.output) << p.source;
        if (p.output) {
            // Inverse; at the cut's boundary (output 2) the later piece answers.
            const double back = *VideoTimeline::sourceTime(map, *p.output);
            EXPECT_DOUBLE_EQ(back, p.source == 2 ? 4 : p.source) << p.source;
        }
    }
    EXPECT_EQ(VideoTimeline::sourceTime(map, 7.5), std::nullopt);

    // Mute ranges on the output: a speed-2 stretch halves them; 0.01 s or less is nothing.
    auto muted = [&](double s, double e) { return VideoTimeline::outputRanges({{QUuid(), s, e}}, map); };
    EXPECT_EQ(muted(6.5, 7.5), ranges({{4.25, 4.75}}));
    EXPECT_EQ(muted(1, 5), ranges({{1, 2}, {2, 3}}));
    EXPECT_EQ(muted(1.995, 3.5), QList<TimeRange>{});
    EXPECT_EQ(muted(2.2, 3.8), QList<TimeRange>{});
    EXPECT_EQ(muted(5.96875, 6.015625), ranges({{3.96875, 4}, {4, 4.0078125}}));
    EXPECT_EQ(VideoTimeline::sourceTime({}, 0), std::nullopt);
}

TEST(VideoTimelineTest, SpeedRegionsWithoutEffect) {
    const auto kept = VideoTimeline::keptRanges(trims({{2, 5}}), 10);
    // Entirely inside a cut, zero or negative speed: the output is the kept length.
    const auto map =
        VideoTimeline::timeMap(kept, {speedRegion(3, 4, 4), speedRegion(6, 7, 0), speedRegion(7, 8, -1)});
    EXPECT_DOUBLE_EQ(VideoTimeline::outputDuration(map), 7);
    EXPECT_EQ(map.size(), 2);
    EXPECT_TRUE(VideoTimeline::speedSlices({speedRegion(3, 4, 4)}, 5, 10).isEmpty());
    // Hostile speeds are applied within 0.001x ... 1000x.
    EXPECT_DOUBLE_EQ(
        VideoTimeline::outputDuration(VideoTimeline::timeMap({{0, 10}}, {speedRegion(0, 1, 1e9)})), 9.001);
}

TEST(VideoTimelineTest, OverlappingSpeedRegionsTheLaterOneWins) {
    // [2, 6] at 2x, then [4, 8] at 4x on top: [2, 4] at 2x, [4, 8] at 4x.
    const QList<SpeedRegion> regions{speedRegion(2, 6, 2), speedRegion(4, 8, 4)};
    const QList<VideoExportSpeedSlice> resolved{{2, 4, 2}, {4, 8, 4}};
    EXPECT_EQ(VideoTimeline::resolvedSpeeds(regions), resolved);
    // In the other order the 2x region lies on top over [4, 6].
    const QList<VideoExportSpeedSlice> swapped{{2, 6, 2}, {6, 8, 4}};
    EXPECT_EQ(VideoTimeline::resolvedSpeeds({regions[1], regions[0]}), swapped);
    // A region nested in a later, wider one disappears; equal neighbours join.
    const QList<VideoExportSpeedSlice> nested{{1, 9, 3}};
    EXPECT_EQ(
        VideoTimeline::resolvedSpeeds({speedRegion(3, 4, 8), speedRegion(1, 5, 3), speedRegion(5, 9, 3)}),
        nested);
    // Raw slices keep the overlap, sorted by start.
    const auto slices = VideoTimeline::speedSlices({regions[1], regions[0]}, 0, 5);
    ASSERT_EQ(slices.size(), 2);
    EXPECT_EQ(slices[0], (VideoExportSpeedSlice{2, 5, 2}));
    EXPECT_EQ(slices[1], (VideoExportSpeedSlice{4, 5, 4}));
    const auto map = VideoTimeline::timeMap({{0, 10}}, regions);
    EXPECT_DOUBLE_EQ(VideoTimeline::outputDuration(map), 2 + 1 + 1 + 2);
}

TEST(VideoTimelineTest, ASpeedRegionAcrossACutScalesBothKeptParts) {
    const auto kept = VideoTimeline::keptRanges(trims({{4, 6}}), 10);
    const auto map = VideoTimeline::timeMap(kept, {speedRegion(2, 8, 2)});
    const QList<VideoExportTimeMapSegment> expected{{0, 0, 1, 2}, {2, 2, 2, 1}, {3, 6, 2, 1}, {4, 8, 1, 2}};
    EXPECT_EQ(map, expected);
}

// Where playback jumps over cuts is the player clock's test; here the end and the restart.
TEST(VideoTimelineTest, PlaybackEndAndRestart) {
    EXPECT_TRUE(PlaybackDecision::isAtEnd(9.95, 10));
    EXPECT_FALSE(PlaybackDecision::isAtEnd(9.9, 10));
    EXPECT_TRUE(PlaybackDecision::isAtEnd(0, 0.01));
    EXPECT_EQ(PlaybackDecision::playStart(9.96, 10), 0);
    EXPECT_EQ(PlaybackDecision::playStart(3, 10), 3);
}

} // namespace
