#include "ui/VideoTimelineView.h"
#include "video/VideoEditorVM.h"

#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace mebo {
namespace {

using List = RegionRef::List;

struct VideoTimelineViewTest : ::testing::Test {
    VideoEditorVM vm{20, QStringLiteral("Clip.mp4")};
    QList<double> seeks;
    VideoTimelineView view{vm, [this](double t) {
                               seeks << t;
                               vm.setPlayhead(t);
                           }};
    VideoTimelineViewTest() { view.resize(VideoTimelineView::kGutter + 80 + 1000, view.minimumHeight()); }
    void wheel(int delta, Qt::KeyboardModifiers mods) {
        const QPointF at(500, 10);
        QWheelEvent e(at, view.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&view, &e);
    }
};

TEST(VideoTimelineRulerTest, LabelsReadAsTheTransportsClock) {
    const struct {
        double t, step;
        const char* label;
    } cases[] = {{0, 0.25, "0:00.00"},      {0.5, 0.5, "0:00.50"}, {1.75, 0.25, "0:01.75"},
                 {59.999, 0.25, "1:00.00"}, {10, 1, "0:10"},       {65, 5, "1:05"},
                 {3600, 600, "60:00"}};
    for (const auto& c : cases) {
        EXPECT_EQ(VideoTimelineView::rulerLabel(c.t, c.step), QString::fromLatin1(c.label)) << c.t;
    }
}

// The step is the shortest whose labels lie 56 px apart, up to the ladder's top of ten minutes.
TEST(VideoTimelineRulerTest, TheStepIsTheShortestThatKeepsLabelsApart) {
    const struct {
        double duration, width, step;
    } cases[] = {{1, 1000, 0.25},   {2.5, 560, 0.25},   {2.6, 560, 0.5}, {20, 1000, 2},
                 {3600, 1000, 300}, {36000, 1000, 600}, {0, 1000, 0.25}, {-5, 1000, 0.25}};
    for (const auto& c : cases) {
        EXPECT_EQ(VideoTimelineView::rulerStep(c.duration, c.width), c.step)
            << c.duration << " s on " << c.width;
    }
}

TEST_F(VideoTimelineViewTest, ZoomKeepsThePlayheadInPlaceAndTheWheelScrolls) {
    vm.setPlayhead(12);
    const double before = view.xOfTime(12);
    wheel(120, Qt::ControlModifier);
    EXPECT_NEAR(view.zoom(), 1.25, 1e-9);
    EXPECT_NEAR(view.xOfTime(12), before, 1.0);
    const double zoomed = view.xOfTime(12);
    wheel(-120, Qt::NoModifier);
    EXPECT_LT(view.xOfTime(12), zoomed) << "the wheel scrolls later times into view";
}

TEST_F(VideoTimelineViewTest, AClickOnAnEmptyRowSeeksAndDeselects) {
    const auto cut = vm.addRegion(List::trim, {2, 4});
    ASSERT_TRUE(vm.selection());
    const int y = view.rowTop(List::trim) + VideoTimelineView::kRowHeight / 2;
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(int(view.xOfTime(9)), y));
    EXPECT_FALSE(vm.selection());
    ASSERT_EQ(seeks.size(), 1);
    EXPECT_NEAR(seeks[0], 9, 0.02);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(int(view.xOfTime(3)), y));
    EXPECT_EQ(vm.selection(), (RegionRef{List::trim, *cut}));
    EXPECT_EQ(vm.spanOf(*vm.selection()), (TimeRange{2, 4})) << "a click is no drag";
}

} // namespace
} // namespace mebo
