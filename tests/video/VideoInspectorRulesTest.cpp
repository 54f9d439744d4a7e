// The rules behind the inspector: the crop drawn on the picture and the settings' undo steps.
#include "video/CropDrag.h"
#include "video/VideoEditorVM.h"

#include <gtest/gtest.h>

using namespace mebo;
using Handle = CropDrag::Handle;

namespace {

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
        {"locked corner stops at the frame",
         Handle::bottomRight,
         kMid,
         {0.5, 0.02},
         true,
         {0.2, 0.2, 0.8, 0.8}},
        {"locked corner shrinks by the smaller change",
         Handle::topLeft,
         kMid,
         {0.25, 0.1},
         true,
         {0.3, 0.3, 0.4, 0.4}},
        {"locked edge grows about the middle", Handle::right, kMid, {0.1, 0}, true, {0.2, 0.15, 0.6, 0.6}},
        {"locked edge limited by the other side",
         Handle::bottom,
         {0.1, 0.1, 0.4, 0.4},
         {0, 0.5},
         true,
         {0, 0.1, 0.6, 0.6}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QRectF got = CropDrag::drag(c.handle, c.original, c.delta, c.locked, kWide);
        for (auto [a, b] :
             {std::pair{got.x(), c.expected.x()}, std::pair{got.y(), c.expected.y()},
              std::pair{got.width(), c.expected.width()}, std::pair{got.height(), c.expected.height()}}) {
            EXPECT_NEAR(a, b, 1e-9);
        }
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
