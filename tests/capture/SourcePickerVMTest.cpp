#include "capture/SourcePickerVM.h"
#include "capture/ScreenCaptureSvc.h"
#include "support/Fakes.h"
#include "support/TestUtil.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace mebo {
namespace {

using Kind = SourcePickerChoice::Kind;

platform::WindowInfo window(uint32_t id, const QString& title, qint64 pid, bool onScreen = true) {
    return {.windowId = id,
            .frame = QRect(100, 100, 640, 400),
            .title = title,
            .pid = pid,
            .appId = "xterm",
            .appName = "XTerm",
            .onScreen = onScreen};
}

struct SourcePicker : ::testing::Test {
    test::FakeScreenCapture capture;
    test::FakeWindowServer windowServer;
    ScreenCaptureSvc svc{capture, windowServer};
    static constexpr qint64 ownPid = 4242;
    SourcePickerVM vm{svc, ownPid};

    SourcePicker() {
        const QRect side(1920, 0, 1280, 1024), main(0, 0, 1920, 1080);
        capture.displayList = {test::display(2, side, 1, false, side), test::display(1, main, 1, true, main)};
        capture.windowList = {window(10, QStringLiteral("Terminal"), 99),
                              window(11, QStringLiteral("Mebo"), ownPid),
                              window(12, QStringLiteral("Minimised"), 99, false)};
    }
    // Thumbnail grabs still in flight (window grabs are three steps, each through the main
    // queue) finish while the service they call back into exists.
    ~SourcePicker() override { test::drainEvents(); }

    bool allThumbnails() const {
        const auto has = [](const QList<SourcePickerVM::Item>& items) {
            return std::all_of(items.begin(), items.end(), [](auto& i) { return !i.thumbnail.isNull(); });
        };
        return !vm.windows().isEmpty() && has(vm.displays()) && has(vm.windows());
    }
};

TEST_F(SourcePicker, ListsDisplaysPrimaryFirstAndOnlyOtherAppsVisibleWindows) {
    vm.refresh();
    ASSERT_TRUE(test::waitUntil([&] { return allThumbnails(); }));
    ASSERT_EQ(vm.displays().size(), 2);
    EXPECT_EQ(vm.displays()[0].choice.id, 1u);
    EXPECT_EQ(vm.displays()[0].detail, QStringLiteral("1920 × 1080"));
    ASSERT_EQ(vm.windows().size(), 1);
    EXPECT_EQ(vm.windows()[0].choice, (SourcePickerChoice{Kind::window, 10, QStringLiteral("Terminal")}));
    // Thumbnails fit the box with the source's aspect.
    const QImage t = vm.displays()[1].thumbnail;
    EXPECT_LE(t.width(), SourcePickerVM::thumbnailWidth);
    EXPECT_LE(t.height(), SourcePickerVM::thumbnailHeight);
    EXPECT_NEAR(double(t.width()) / t.height(), 1280.0 / 1024, 0.02);
    // The primary display is chosen to begin with.
    ASSERT_TRUE(vm.selection());
    EXPECT_EQ(vm.selection()->id, 1u);
}

TEST_F(SourcePicker, AnswersOfAnOlderRefreshAreDropped) {
    vm.refresh();
    vm.refresh(); // before the first answers arrive
    ASSERT_TRUE(test::waitUntil([&] { return allThumbnails(); }));
    EXPECT_EQ(vm.windows().size(), 1); // listed once, not once per refresh
}

TEST_F(SourcePicker, LiveUpdatesWaitForTheGrabsInFlightAndKeepTheirAnswers) {
    vm.refresh();
    ASSERT_TRUE(test::waitUntil([&] { return allThumbnails(); }));
    test::drainEvents();
    const int grabs = capture.captureCalls;
    // Ticks of a slow machine come before the answers: one round of grabs (two displays and the
    // window), whose answers are taken.
    capture.image = QImage(QSize(1920, 1080), QImage::Format_RGB32);
    capture.image.fill(Qt::red);
    vm.refreshThumbnails();
    vm.refreshThumbnails();
    vm.refreshThumbnails();
    ASSERT_TRUE(test::waitUntil([&] { return vm.windows()[0].thumbnail.pixel(0, 0) == qRgb(255, 0, 0); }));
    test::drainEvents();
    EXPECT_EQ(capture.captureCalls, grabs + 3);
    EXPECT_EQ(vm.displays()[0].thumbnail.pixel(0, 0), qRgb(255, 0, 0));
    // Once answered, the next tick grabs every source again.
    vm.refreshThumbnails();
    test::drainEvents();
    EXPECT_EQ(capture.captureCalls, grabs + 6);
}

TEST_F(SourcePicker, ASelectedSourceThatWentAwayIsNoLongerChosen) {
    vm.refresh();
    ASSERT_TRUE(test::waitUntil([&] { return vm.windows().size() == 1; }));
    vm.select(vm.windows()[0].choice);
    EXPECT_TRUE(vm.canStart());
    capture.windowList.removeFirst();
    QSignalSpy changed(&vm, &SourcePickerVM::selectionChanged);
    vm.refresh();
    ASSERT_TRUE(test::waitUntil([&] { return changed.count() > 0; }));
    EXPECT_FALSE(vm.canStart());
}

} // namespace
} // namespace mebo
