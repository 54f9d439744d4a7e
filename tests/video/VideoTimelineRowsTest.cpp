#include "video/VideoEditorVM.h"

#include <gtest/gtest.h>

using namespace mebo;
using List = RegionRef::List;

namespace {

// What the timeline draws of each list: spans as stored (chapters tiled), with their labels.
TEST(VideoTimelineRows, SpansCarryTheirLabelsAndState) {
    VideoEditorVM vm(10, QStringLiteral("Clip.mp4"));
    const auto speed = vm.addRegion(List::speed, {1, 3});
    vm.setSpeed(*speed, 1.5);
    vm.addAnnotation(AnnotationKind::arrow, {0.5, 0.5});
    vm.setPlayhead(4);
    vm.splitChapterAtPlayhead();
    vm.renameChapter(vm.tiledChapters()[0].id, QStringLiteral("Intro"));
    vm.loadProject(
        [&] {
            MeboVideoDocument d = vm.document();
            d.edit.recordingSegments = {{QUuid::createUuid(), 0, 6, true, std::nullopt},
                                        {QUuid::createUuid(), 6, 10, false, QStringLiteral("Break")}};
            return d;
        }(),
        QString());

    const auto speeds = vm.spans(List::speed);
    ASSERT_EQ(speeds.size(), 1);
    EXPECT_EQ(speeds[0].label, QStringLiteral("1.5x"));
    EXPECT_EQ(speeds[0].span, (TimeRange{1, 3}));
    EXPECT_EQ(vm.spans(List::annotation)[0].label, QStringLiteral("arrow")) << "an annotation without text";

    const auto chapters = vm.spans(List::chapter);
    ASSERT_EQ(chapters.size(), 2);
    EXPECT_EQ(chapters[0].label, QStringLiteral("Intro"));
    EXPECT_EQ(chapters[1].span, (TimeRange{4, 10}));
    EXPECT_FALSE(chapters[1].label.isEmpty()) << "the default title";

    const auto segments = vm.spans(List::recordingSegment);
    ASSERT_EQ(segments.size(), 2);
    EXPECT_EQ(segments[0].label, QStringLiteral("Segment 1"));
    EXPECT_TRUE(segments[0].enabled);
    EXPECT_EQ(segments[1].label, QStringLiteral("Break"));
    EXPECT_FALSE(segments[1].enabled);

    EXPECT_EQ(vm.spanOf({List::speed, speeds[0].id}), (TimeRange{1, 3}));
    EXPECT_FALSE(vm.spanOf({List::trim, speeds[0].id})) << "an id of another list";
    EXPECT_TRUE(vm.spans(List::micMute).isEmpty());
}

} // namespace
