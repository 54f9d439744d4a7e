#include "support/Fakes.h"

#include "app/AppEvents.h"
#include "video/CropDrag.h"
#include "video/SpanDrag.h"
#include "video/TrackRegions.h"
#include "video/VideoAnnotations.h"
#include "video/VideoChapterDisplayStylePref.h"
#include "video/VideoChapters.h"
#include "video/VideoEditorVM.h"
#include "video/VideoOutputSize.h"
#include "video/VideoTimeline.h"
#include "video/VideoTimelineMenus.h"
#include "video/WebcamLayout.h"

#include <limits>

#include <gtest/gtest.h>

using namespace mebo;
using Handle = CropDrag::Handle;

namespace {

TrackDisabledRegion track(double s, double e) {
    return {QUuid::createUuid(), s, e};
}

ChapterSegment chapter(double s, double e, std::optional<QString> title = {}) {
    return {QUuid::createUuid(), s, e, std::move(title), {}};
}

QList<std::pair<double, double>> spans(const auto& list) {
    QList<std::pair<double, double>> out;
    for (const auto& r : list) {
        out.append({r.startSec, r.endSec});
    }
    return out;
}

using Spans = QList<std::pair<double, double>>;

void expectNear(const QRectF& got, const QRectF& want) {
    EXPECT_NEAR(got.x(), want.x(), 1e-9);
    EXPECT_NEAR(got.y(), want.y(), 1e-9);
    EXPECT_NEAR(got.width(), want.width(), 1e-9);
    EXPECT_NEAR(got.height(), want.height(), 1e-9);
}

TEST(TrackRegionsTest, SanitiseMergeAndLookUp) {
    EXPECT_EQ(spans(TrackRegions::merged({track(2.0005, 3), track(1, 2)}, 10)), (Spans{{1, 3}}));
    EXPECT_EQ(spans(TrackRegions::merged({track(1, 1.04), track(5, 5.06)}, 10)), (Spans{{5, 5.06}}));
    EXPECT_EQ(spans(TrackRegions::merged({track(1, 4), track(2, 3), track(4.002, 5)}, 10)),
              (Spans{{1, 4}, {4.002, 5}}));
    EXPECT_EQ(spans(TrackRegions::sanitized({track(-2, 1), track(9.5, 12), track(4, 3)}, 10)),
              (Spans{{0, 1}, {9.5, 10}}));
    const auto merged = TrackRegions::merged({track(1, 2), track(5, 6)}, 10);
    const struct {
        double t;
        bool disabled;
    } cases[] = {{0.99, false}, {1, true}, {1.5, true}, {2, false}, {5.5, true}, {6, false}, {-4, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(TrackRegions::isDisabledAt(merged, c.t, 10), c.disabled) << c.t;
    }
    // A time beyond the end is clamped to the end, which no region covers ([start, end)).
    EXPECT_FALSE(TrackRegions::isDisabledAt(TrackRegions::merged({track(9, 10)}, 10), 30, 10));
}

TEST(TrackRegionsTest, RecordingSegmentsKeepOrderAndReachTheEnd) {
    const QList<RecordingSegment> segments{{QUuid::createUuid(), 4, 7.9, false, QStringLiteral("b")},
                                           {QUuid::createUuid(), 0, 0.04, true, {}},
                                           {QUuid::createUuid(), 0.04, 4, true, QStringLiteral("a")}};
    const auto out = TrackRegions::sanitizedSegments(segments, 9);
    ASSERT_EQ(out.size(), 2);
    EXPECT_EQ(out[0].endSec, 7.9);
    EXPECT_EQ(out[1].startSec, 0.04);
    EXPECT_EQ(out[1].endSec, 9); // the last one reaches the duration
    EXPECT_EQ(TrackRegions::sanitizedSegments(segments, 0).size(), 0);
}

TEST(TrackRegionsTest, FiveSecondsAroundACentre) {
    const struct {
        double centre, duration;
        std::optional<std::pair<double, double>> span;
    } cases[] = {
        {5, 20, std::pair{2.5, 7.5}},    {1, 20, std::pair{0.0, 5.0}}, {19, 20, std::pair{15.0, 20.0}},
        {40, 20, std::pair{15.0, 20.0}}, {1, 3, std::pair{0.0, 3.0}},  {0, 0.1, std::nullopt},
        {0, 0.2, std::pair{0.0, 0.2}},
    };
    for (const auto& c : cases) {
        const auto r = TrackRegions::timedRegion(c.centre, c.duration);
        ASSERT_EQ(r.has_value(), c.span.has_value()) << c.centre << " " << c.duration;
        if (r) {
            EXPECT_DOUBLE_EQ(r->startSec, c.span->first);
            EXPECT_DOUBLE_EQ(r->endSec, c.span->second);
        }
    }
}

TEST(VideoChaptersTest, TileSplitAndName) {
    EXPECT_EQ(spans(VideoChapters::tiled({chapter(6, 8), chapter(2, 4)}, 10)), (Spans{{0, 6}, {6, 10}}));
    EXPECT_EQ(spans(VideoChapters::tiled({chapter(2, 2.04), chapter(5, 12)}, 10)), (Spans{{0, 10}}));
    // A chapter starting within 0.001 s of the next one tiles to a sliver and goes.
    EXPECT_EQ(spans(VideoChapters::tiled({chapter(2, 4), chapter(5, 6), chapter(5.0005, 8)}, 10)),
              (Spans{{0, 5}, {5.0005, 10}}));

    EXPECT_FALSE(VideoChapters::splitAt({}, 0.05, 10));
    EXPECT_FALSE(VideoChapters::splitAt({}, 9.95, 10));
    EXPECT_EQ(spans(*VideoChapters::splitAt({}, 0.06, 10)), (Spans{{0, 0.06}, {0.06, 10}}));
    const QList<ChapterSegment> two{chapter(0, 5, QStringLiteral("Intro")), chapter(5, 10)};
    const auto three = *VideoChapters::splitAt(two, 2, 10);
    EXPECT_EQ(spans(three), (Spans{{0, 2}, {2, 5}, {5, 10}}));
    EXPECT_EQ(three[0].id, two[0].id);
    EXPECT_EQ(three[0].title, QStringLiteral("Intro"));
    EXPECT_FALSE(three[1].title);
    EXPECT_FALSE(VideoChapters::splitAt(two, 5, 10)); // on a boundary

    const auto exported = VideoChapters::exportSegments(three, 10);
    EXPECT_EQ(exported[0].title, QStringLiteral("Intro"));
    EXPECT_EQ(exported[2].title, QStringLiteral("Chapter 3"));
    EXPECT_NE(exported[0].colorRGBA, exported[1].colorRGBA);
    QList<ChapterSegment> coloured{chapter(0, 10, QString())};
    coloured[0].colorRGBA = ColorRGBA{0.2, 0.4};
    const auto c = VideoChapters::exportSegments(coloured, 10)[0];
    EXPECT_EQ(c.title, QStringLiteral("Chapter 1"));
    EXPECT_EQ(c.colorRGBA,
              (std::array{0.2, 0.4, VideoChapters::defaultColor(1)[2], VideoChapters::defaultColor(1)[3]}));

    EXPECT_EQ(VideoChapters::limitTyping(QString(81, QLatin1Char('x'))).size(), 80);
    EXPECT_EQ(
        VideoChapters::limitTyping(QString(79, QLatin1Char('x')) + QString::fromUtf8("\U0001F600!")).size(),
        79);
    EXPECT_EQ(VideoChapters::titleOnSave(QStringLiteral("  \n ")), std::nullopt);
    EXPECT_EQ(VideoChapters::titleOnSave(QStringLiteral(" Demo\n")), QStringLiteral("Demo"));
}

TEST(VideoAnnotationsTest, NewRegionsAtThePlayhead) {
    const struct {
        double playhead, start, end;
    } times[] = {{2, 2, 7}, {9, 9, 10}, {9.95, 9.9, 10}, {-3, 0, 5}};
    for (const auto& c : times) {
        const auto r = VideoAnnotations::create(AnnotationKind::arrow, c.playhead, 10, {0.5, 0.5});
        ASSERT_TRUE(r) << c.playhead;
        EXPECT_DOUBLE_EQ(r->startSec, c.start) << c.playhead;
        EXPECT_DOUBLE_EQ(r->endSec, c.end) << c.playhead;
    }
    EXPECT_FALSE(VideoAnnotations::create(AnnotationKind::text, 0, 0.05, {0.5, 0.5}));

    const struct {
        AnnotationKind kind;
        QPointF point;
        QRectF rect;
    } places[] = {
        {AnnotationKind::arrow, {0.5, 0.5}, {0.33, 0.4, 0.34, 0.2}},
        {AnnotationKind::callout, {0, 0}, {0, 0, 0.32, 0.16}},
        {AnnotationKind::shape, {1.4, 0.95}, {0.74, 0.82, 0.26, 0.18}},
        {AnnotationKind::spotlight, {0.2, -1}, {0.03, 0, 0.34, 0.22}},
    };
    for (const auto& p : places) {
        SCOPED_TRACE(rawValue(p.kind).toStdString());
        expectNear(VideoAnnotations::create(p.kind, 0, 10, p.point)->rect, p.rect);
    }
}

TEST(SpanDragTest, MoveAndEdgesSnapAndStayInside) {
    using M = SpanDrag::Mode;
    const struct {
        M mode;
        double grab, pointer;
        bool shift;
        TimeRange out;
    } cases[] = {
        {M::move, 3, 4.1, false, {5, 7}},       {M::move, 3, 4.1, true, {5.1, 7.1}},
        {M::move, 3, -5, false, {0, 2}},        {M::move, 3, 30, false, {8, 10}},
        {M::leftEdge, 4, 5.9, false, {5.9, 6}}, {M::leftEdge, 4, -1, false, {0, 6}},
        {M::leftEdge, 4, 2.6, false, {2.5, 6}}, {M::rightEdge, 6, 4.01, false, {4, 4.1}},
        {M::rightEdge, 6, 12, false, {4, 10}},  {M::rightEdge, 6, 7.37, false, {4, 7.25}},
    };
    for (const auto& c : cases) {
        const TimeRange got = SpanDrag::drag(c.mode, {4, 6}, c.grab, c.pointer, 10, c.shift);
        const TimeRange& want = c.out;
        EXPECT_NEAR(got.start, want.start, 1e-9) << int(c.mode) << " " << c.pointer;
        EXPECT_NEAR(got.end, want.end, 1e-9) << int(c.mode) << " " << c.pointer;
    }
    EXPECT_DOUBLE_EQ(SpanDrag::timeAtX(260, 600, 10), 5);
    EXPECT_DOUBLE_EQ(SpanDrag::timeAtX(-5, 600, 10), 0);
    EXPECT_DOUBLE_EQ(SpanDrag::timeAtX(100, 60, 10), 0);
}

TEST(WebcamLayoutTest, PresetsAndPlacement) {
    const WebcamLayout base; // "Center" as a custom anchor is the inspector's test
    WebcamLayout moved = base;
    moved.x = 0.1;
    const auto custom = moved.withLayoutPreset(WebcamLayoutPreset::custom);
    EXPECT_EQ(custom.x, 0.1);
    EXPECT_EQ(custom.y, 0.5);
    EXPECT_EQ(moved.withLayoutPreset(WebcamLayoutPreset::topLeft).x, 0.1);
    EXPECT_EQ(base.withSizePreset(WebcamSizePreset::large).scale, 0.28);
    EXPECT_EQ(base.withSizePreset(WebcamSizePreset::small).withSizePreset(WebcamSizePreset::custom).scale,
              0.14);
    // A layout written without a size preset shows the one its scale is, else custom.
    using P = WebcamSizePreset;
    const struct {
        double scale;
        std::optional<P> stored;
        P shown;
    } presets[] = {
        {0.2, {}, P::medium}, {0.14, {}, P::small},        {0.281, {}, P::large},
        {0.5, {}, P::custom}, {0.2, P::custom, P::custom},
    };
    for (const auto& c : presets) {
        WebcamLayout l;
        l.scale = c.scale;
        l.sizePreset = c.stored;
        EXPECT_EQ(l.shownSizePreset(), c.shown) << c.scale;
    }

    const QRectF frame(0, 0, 1000, 500);
    auto place = [&](WebcamLayout l) { return placeWebcam(l, frame); };
    WebcamLayout l;
    EXPECT_EQ(place(l).rect, QRectF(784, 16, 200, 150));
    EXPECT_EQ(place(l).cornerRadius, 12);
    l.maskShape = WebcamMaskShape::circle;
    l.anchor = WebcamAnchor::topLeft;
    EXPECT_EQ(place(l).rect, QRectF(16, 284, 200, 200));
    EXPECT_EQ(place(l).cornerRadius, 100);
    l.layoutPreset = WebcamLayoutPreset::center; // the preset outranks the anchor
    EXPECT_EQ(place(l).rect, QRectF(400, 150, 200, 200));
    l = WebcamLayout{};
    l.anchor = WebcamAnchor::custom;
    l.x = 0.25;
    l.scale = 0.123; // 123 x 92.25 centred at (250, 250): rounded outward
    l.maskShape = WebcamMaskShape::rect;
    EXPECT_EQ(place(l).rect, QRectF(188, 203, 124, 94));
    EXPECT_EQ(place(l).cornerRadius, 0);
    l.scale = 0.01; // clamped to 0.05
    EXPECT_EQ(place(l).rect.width(), 50);
}

TEST(VideoOutputSizeTest, CropCanvasAspectAndExportHeight) {
    const QSizeF hd(1920, 1080);
    VideoSnapshot e; // a plain size and a crop are the exports' tables
    EXPECT_EQ(VideoOutputSize::renderSize(std::nullopt, e), QSize(1280, 720));
    e.cropRect = QRectF(0.99, -1, 0.5, 2); // x to 0.98, width to 0.02, height to 1
    EXPECT_EQ(VideoOutputSize::renderSize(hd, e), QSize(39, 1080));
    e.cropRect.reset();
    e.showBackground = true;
    e.backgroundPadding = 40;
    e.showShadow = true;
    e.shadowIntensity = 0.5;
    EXPECT_EQ(VideoOutputSize::renderSize(hd, e), QSize(2020, 1180));
    e.showBackground = false; // no canvas: neither padding nor shadow margin
    EXPECT_EQ(VideoOutputSize::renderSize(hd, e), QSize(1920, 1080));
    e.canvasAspectRatio = 1;
    EXPECT_EQ(VideoOutputSize::renderSize(hd, e), QSize(1920, 1920));
    e.canvasAspectRatio = 2.5;
    EXPECT_EQ(VideoOutputSize::renderSize(hd, e), QSize(2700, 1080));
    e.exportResolutionHeight = 720;
    EXPECT_EQ(VideoOutputSize::renderSize(hd, e), QSize(1800, 720));
    e.canvasAspectRatio.reset();
    e.exportResolutionHeight = 1080;
    EXPECT_EQ(VideoOutputSize::renderSize(QSizeF(1001, 1000), e), QSize(1082, 1080)); // 1081.08: odd

    e.exportResolutionHeight = 480; // not offered: the canvas size
    EXPECT_EQ(VideoOutputSize::renderSize(QSizeF(1001, 999), e), QSize(1001, 999));
    EXPECT_EQ(VideoOutputSize::even(199.6), 200);
    EXPECT_EQ(VideoOutputSize::even(201), 202);
    EXPECT_EQ(VideoOutputSize::even(0.4), 2);
    EXPECT_EQ(VideoOutputSize::resolutionTitle(1080, hd), QStringLiteral("1080p (1920x1080)"));
    EXPECT_EQ(VideoOutputSize::resolutionTitle(720, QSizeF(1001, 1000)), QStringLiteral("720p (722x720)"));
    EXPECT_EQ(VideoOutputSize::resolutionTitle(720, std::nullopt), QStringLiteral("720p"));
    EXPECT_EQ(VideoOutputSize::resolutionTitle(2160, std::nullopt), QStringLiteral("2160p (4K)"));
    EXPECT_EQ(VideoOutputSize::resolutionTitle(std::nullopt, hd), QStringLiteral("Original"));
}

TEST(VideoTimelineMenusTest, TrackAndChapterMenus) {
    using A = VideoTimelineMenus::Action;
    using Item = VideoTimelineMenus::Item;
    EXPECT_EQ(VideoTimelineMenus::trackMenu(RegionRef::List::systemAudioMute, 0, true),
              (QList<Item>{{"Mute system audio for 5 seconds at the playhead.", A::disableFiveSeconds},
                           {"No muted system segments", A::none, false},
                           {"Disable System Track", A::toggleTrack}}));
    EXPECT_EQ(VideoTimelineMenus::trackMenu(RegionRef::List::micMute, 2, false)[1].title,
              "Clear Muted Segments");
    EXPECT_EQ(VideoTimelineMenus::trackMenu(RegionRef::List::micMute, 2, false)[2].title, "Enable Mic Track");
    EXPECT_EQ(VideoTimelineMenus::trackMenu(RegionRef::List::webcamHidden, 0, true)[1].title,
              "No hidden cam segments");
    EXPECT_EQ(VideoTimelineMenus::trackMenu(RegionRef::List::webcamHidden, 1, true).size(), 2);
    EXPECT_EQ(VideoTimelineMenus::chapterMenu(false)[1],
              (Item{"No chapter to rename - split first", A::none, false}));
    EXPECT_EQ(VideoTimelineMenus::chapterMenu(true)[1].action, A::renameChapter);
}

TEST(VideoChapterDisplayStylePrefTest, StoredRawValueAndChangeNotice) {
    test::FakeDefaultsStore defaults;
    AppEvents events;
    VideoChapterDisplayStylePref pref(defaults, &events);
    QStringList posted;
    QObject::connect(&events, &AppEvents::notificationPosted, [&](const QString& name, const QVariant& raw) {
        posted << name + "=" + raw.toString();
    });
    defaults.user["mebo.videoChapterProgressDisplayStyle"] = "sparkles";
    EXPECT_EQ(pref.style(), VideoChapterDisplayStyle::titles);
    pref.setStyle(VideoChapterDisplayStyle::pill);
    EXPECT_EQ(defaults.user["mebo.videoChapterProgressDisplayStyle"], "pill");
    EXPECT_EQ(pref.style(), VideoChapterDisplayStyle::pill);
    EXPECT_EQ(posted, QStringList{"MeboVideoChapterDisplayStyleDidChange=pill"});
}

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
    const std::optional<double> none;
    const struct {
        double source;
        std::optional<double> output;
    } points[] = {{0, 0},   {1, 1}, {2, 2},  {3, none},    {4, 2},    {6, 4},
                  {7, 4.5}, {8, 5}, {10, 7}, {10.5, none}, {-1, none}};
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

// In turn: inside a cut, at zero or negative speed, no effect; a hostile speed held at 1000x; the
// later of two overlapping regions wins, in either order; a region nested in a later one goes and
// equal neighbours join; a region across a cut scales both kept parts.
TEST(VideoTimelineTest, SpeedRegionsOverlappingCutsAndEachOther) {
    auto sp = speedRegion;
    const struct {
        std::pair<double, double> cut;
        QList<SpeedRegion> speeds;
        QList<VideoExportTimeMapSegment> map;
    } cases[] = {
        {{2, 5}, {sp(3, 4, 4), sp(6, 7, 0), sp(7, 8, -1)}, {{0, 0, 1, 2}, {2, 5, 1, 5}}},
        {{0, 0}, {sp(0, 1, 1e9)}, {{0, 0, 1000, 0.001}, {0.001, 1, 1, 9}}},
        {{0, 0}, {sp(2, 6, 2), sp(4, 8, 4)}, {{0, 0, 1, 2}, {2, 2, 2, 1}, {3, 4, 4, 1}, {4, 8, 1, 2}}},
        {{0, 0}, {sp(4, 8, 4), sp(2, 6, 2)}, {{0, 0, 1, 2}, {2, 2, 2, 2}, {4, 6, 4, 0.5}, {4.5, 8, 1, 2}}},
        {{0, 0}, {sp(3, 4, 8), sp(1, 5, 2), sp(5, 9, 2)}, {{0, 0, 1, 1}, {1, 1, 2, 4}, {5, 9, 1, 1}}},
        {{4, 6}, {sp(2, 8, 2)}, {{0, 0, 1, 2}, {2, 2, 2, 1}, {3, 6, 2, 1}, {4, 8, 1, 2}}},
    };
    for (const auto& c : cases) {
        const auto kept = VideoTimeline::keptRanges(trims({c.cut}), 10);
        EXPECT_EQ(VideoTimeline::timeMap(kept, c.speeds), c.map) << &c - cases;
    }
}

// The rules behind the inspector: the crop drawn on the picture and the settings' undo steps.
const QSizeF kWide(1920, 1080);
const QRectF kMid(0.2, 0.2, 0.5, 0.5);

double pixelRatio(const QRectF& r, QSizeF source) {
    return r.width() * source.width() / (r.height() * source.height());
}

TEST(CropDrag, StaysInTheFrameAndKeepsItsShapeWhenLocked) {
    const struct {
        const char* name;
        Handle handle;
        QRectF original;
        QPointF delta;
        bool locked;
        QRectF expected;
    } cases[] = {
        {"move past the right edge", Handle::move, kMid, {0.6, -0.05}, false, {0.5, 0.15, 0.5, 0.5}},
        {"left edge past the frame", Handle::left, kMid, {-0.5, 0.3}, false, {0, 0.2, 0.7, 0.5}},
        {"right edge over the left one", Handle::right, kMid, {-0.9, 0}, false, {0.2, 0.2, 0.02, 0.5}},
        {"top left corner", Handle::topLeft, kMid, {-0.1, 0.1}, false, {0.1, 0.3, 0.6, 0.4}},
        {"locked: stops at the frame", Handle::bottomRight, kMid, {0.5, 0.02}, true, {0.2, 0.2, 0.8, 0.8}},
        {"locked: the smaller change", Handle::topLeft, kMid, {0.25, 0.1}, true, {0.3, 0.3, 0.4, 0.4}},
        {"locked edge grows about the middle", Handle::right, kMid, {0.1, 0}, true, {0.2, 0.15, 0.6, 0.6}},
        {"locked: the other side", Handle::bottom, {0.1, 0.1, 0.4, 0.4}, {0, 0.5}, true, {0, 0.1, 0.6, 0.6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QRectF got = CropDrag::drag(c.handle, c.original, c.delta, c.locked, kWide);
        expectNear(got, c.expected);
        if (c.locked) {
            EXPECT_NEAR(pixelRatio(got, kWide), pixelRatio(c.original, kWide), 1e-9);
        }
    }
}

TEST(CropDrag, HandlesAspectsAndWhatIsStored) {
    const QSizeF grab(0.02, 0.02);
    EXPECT_EQ(CropDrag::handleAt(kMid, {0.21, 0.19}, grab), Handle::topLeft);
    EXPECT_EQ(CropDrag::handleAt(kMid, {0.45, 0.71}, grab), Handle::bottom);
    EXPECT_EQ(CropDrag::handleAt(kMid, {0.4, 0.3}, grab), Handle::move);
    EXPECT_EQ(CropDrag::handleAt(kMid, {0.9, 0.9}, grab), std::nullopt);
    EXPECT_EQ(CropDrag::handleAt(QRectF(0.5, 0.5, 0.02, 0.02), {0.5, 0.5}, {0.03, 0.03}), Handle::topLeft)
        << "corners before edges on a tiny crop";
    // 1:1 of a 16:9 frame: the whole height, centred; 16:9 of a 4:3 frame pushed inside it.
    EXPECT_EQ(CropDrag::withAspect({0, 0, 1, 1}, 1.0, kWide), QRectF(0.21875, 0, 0.5625, 1));
    EXPECT_EQ(CropDrag::withAspect({0.3, 0.8, 0.2, 0.2}, 16.0 / 9, {640, 480}), QRectF(0, 0.25, 1, 0.75));
    EXPECT_EQ(CropDrag::stored({0.001, 0, 0.999, 1}), std::nullopt) << "the whole frame is no crop";
    EXPECT_EQ(CropDrag::stored({-0.2, 0.1, 2, 0.5}), QRectF(0, 0.1, 1, 0.5));
    EXPECT_EQ(CropDrag::stored({0.5, 0.5, 0, 0}), QRectF(0.5, 0.5, 0.02, 0.02));
}

TEST(VideoSettingsUndo, SettingsAreUndoStepsAndAGestureIsOne) {
    VideoEditorVM vm{10, QStringLiteral("Clip.mp4")};
    vm.changeSettings([](VideoSnapshot& s) { s.showBackground = true; });
    for (int v : {10, 20, 30}) { // a slider dragged, then released: one step
        vm.changeSettings([v](VideoSnapshot& s) { s.backgroundPadding = v; }, QStringLiteral("padding"));
    }
    vm.endSettingsGesture();
    vm.changeSettings([](VideoSnapshot& s) { s.backgroundPadding = 40; }, QStringLiteral("padding"));
    vm.setCrop(QRectF(0.1, 0.1, 0.5, 0.5));
    vm.setCropAspect(1.0, kWide);
    EXPECT_TRUE(vm.state().cropAspectLocked);
    EXPECT_NEAR(pixelRatio(*vm.state().cropRect, kWide), 1.0, 1e-9);
    vm.setCrop(QRectF(0, 0, 1, 1));
    EXPECT_FALSE(vm.state().cropRect) << "the whole frame is no crop";

    const struct {
        double padding;
        bool cropped;
    } steps[] = {{40, true}, {40, true}, {40, false}, {30, false}, {0, false}};
    for (const auto& step : steps) {
        ASSERT_TRUE(vm.undo());
        EXPECT_EQ(vm.state().backgroundPadding, step.padding);
        EXPECT_EQ(vm.state().cropRect.has_value(), step.cropped);
    }
    ASSERT_TRUE(vm.undo());
    EXPECT_FALSE(vm.state().showBackground);
    EXPECT_FALSE(vm.undo());
    // An undo closes the gesture: the same slider again is a new step.
    ASSERT_TRUE(vm.redo());
    for (int v : {5, 6}) {
        vm.changeSettings([v](VideoSnapshot& s) { s.backgroundPadding = v; }, QStringLiteral("padding"));
    }
    ASSERT_TRUE(vm.undo());
    EXPECT_EQ(vm.state().backgroundPadding, 0);
    EXPECT_TRUE(vm.state().showBackground);
}

} // namespace
