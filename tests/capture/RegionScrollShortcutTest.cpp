#include "capture/RegionSelectionModel.h"

#include <gtest/gtest.h>

using namespace mebo;

namespace {

RegionSelectionModel area(bool shortcut) {
    RegionSelectionModel m(QRect(0, 0, 1920, 1080), SnapIntent::area);
    m.setScrollShortcutEnabled(shortcut);
    return m;
}

TEST(RegionScrollShortcut, OfferedInsideTheSelectionsCornerWhileItCanBeAdjusted) {
    auto m = area(true);
    EXPECT_FALSE(m.scrollButtonRect());
    m.preselect(QRect(100, 100, 400, 300));
    // 32 points, 10 in from the bottom-right corner.
    EXPECT_EQ(m.scrollButtonRect(), QRect(458, 358, 32, 32));
    // Too small to hold the button with its inset.
    m.preselect(QRect(100, 100, 51, 300));
    EXPECT_FALSE(m.scrollButtonRect());
}

TEST(RegionScrollShortcut, SwitchesTheSelectionToAScrollCapture) {
    auto m = area(true);
    m.preselect(QRect(100, 100, 400, 300));
    const auto f = m.scrollShortcut();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, RegionSelectionModel::Finish::Kind::scroll);
    EXPECT_EQ(f->rect, QRect(100, 100, 400, 300));
    EXPECT_EQ(m.phase(), RegionSelectionModel::Phase::finished);
    EXPECT_FALSE(m.scrollShortcut()); // once
}

TEST(RegionScrollShortcut, NothingWhenDisabledWithoutSelectionOrForRecordingAreas) {
    auto off = area(false);
    off.preselect(QRect(100, 100, 400, 300));
    EXPECT_FALSE(off.scrollShortcut());
    EXPECT_FALSE(off.scrollButtonRect());

    auto empty = area(true);
    EXPECT_FALSE(empty.scrollShortcut());

    auto record = area(true);
    record.setRecordingArea(true);
    record.preselect(QRect(100, 100, 400, 300));
    EXPECT_FALSE(record.scrollShortcut());
    EXPECT_FALSE(record.scrollButtonRect());
}

} // namespace
