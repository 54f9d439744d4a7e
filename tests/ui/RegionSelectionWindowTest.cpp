#include "ui/RegionSelectionWindow.h"
#include "capture/ScreenCaptureSvc.h"
#include "capture/ShutterSoundPlayer.h"
#include "support/TestUtil.h"
#include "ui/RegionOverlayWindow.h"
#include "ui/RegionSelectionView.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace mebo {
namespace {

using test::display;

int visibleOverlayWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<RegionOverlayWindow*>(w) && w->isVisible()) {
            ++n;
        }
    }
    return n;
}

// Remembers how many overlay windows were on screen at each grab.
class WatchedScreenCapture : public test::FakeScreenCapture {
public:
    void captureDisplay(uint32_t displayId, QSize pixelSize, bool showCursor,
                        Completion<QImage> done) override {
        overlaysAtGrab << visibleOverlayWindows();
        grabbedIds << displayId;
        answers << done;
        FakeScreenCapture::captureDisplay(displayId, pixelSize, showCursor, std::move(done));
    }
    void shareableContent(const platform::ContentQuery& query,
                          Completion<platform::ShareableContent> done) override {
        (query.includeWindows ? overlaysAtWindowList : overlaysAtProbe) << visibleOverlayWindows();
        FakeScreenCapture::shareableContent(query, std::move(done));
    }
    QList<int> overlaysAtGrab;
    QList<int> overlaysAtWindowList;
    QList<int> overlaysAtProbe;
    QList<uint32_t> grabbedIds;
    QList<Completion<QImage>> answers; // every grab's completion, to answer again late
};

void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, mods);
    QApplication::sendEvent(w, &e);
}

void dragOn(QWidget* w, QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    mouse(w, QEvent::MouseMove, from);
    mouse(w, QEvent::MouseButtonPress, from, mods);
    mouse(w, QEvent::MouseMove, (from + to) / 2, mods);
    mouse(w, QEvent::MouseMove, to, mods);
    mouse(w, QEvent::MouseButtonRelease, to, mods);
}

struct Fixture {
    Fixture() {
        // A 1920 x 1080 primary and a 1280 x 1024 display to its right, top edges aligned.
        capture.displayList = {
            display(11, QRect(0, 0, 1920, 1080), 1, true, QRect(0, 0, 1920, 1080)),
            display(12, QRect(1920, 56, 1280, 1024), 1, false, QRect(1920, 0, 1280, 1024))};
    }
    ~Fixture() { test::drainEvents(); }

    // Presents and waits for the windows; answers whether they came.
    bool present(SnapIntent intent = SnapIntent::area, RegionKind kind = RegionKind::area) {
        overlay.present(intent, kind, std::nullopt, [this](OverlayOutcome o) {
            outcomes << o;
            busyAtDone << overlay.isBusy();
            visibleAtDone << visibleOverlayWindows();
        });
        const bool shown =
            test::waitUntil([this] { return overlay.views().size() == 2 && visibleOverlayWindows() == 2; });
        test::drainEvents(); // the window list, asked for once the pictures are shown
        return shown;
    }
    RegionSelectionView* view(uint32_t displayId) {
        for (RegionSelectionView* v : overlay.views()) {
            if (v->display().displayId == displayId) {
                return v;
            }
        }
        return nullptr;
    }

    WatchedScreenCapture capture;
    test::FakeWindowServer windows;
    test::FakeDefaultsStore defaults;
    test::FakeSoundPlayer sound;
    double shutterClock = 1000.0;
    ShutterSoundPlayer shutter{sound, {}, {}, [this] { return shutterClock; }};
    ScreenCaptureSvc screenshots{capture, windows};
    RegionSelectionWindow overlay{screenshots, windows, defaults, shutter,
                                  QCoreApplication::applicationPid()};
    QList<OverlayOutcome> outcomes;
    QList<bool> busyAtDone;
    QList<int> visibleAtDone;
};

} // namespace

TEST(RegionSelectionWindow, GrabsEveryDisplayOnceBeforeShowingItsWindows) {
    Fixture f;
    ASSERT_TRUE(f.present());
    EXPECT_TRUE(f.overlay.isBusy());
    EXPECT_EQ(f.capture.captureCalls, 2);
    EXPECT_EQ(f.capture.grabbedIds, (QList<uint32_t>{11, 12}));
    EXPECT_EQ(f.capture.overlaysAtGrab, (QList<int>{0, 0}));
    // The pictures are shown as soon as they exist: the windows to snap to are listed once,
    // after that, and the grabs need no further look at the screen.
    EXPECT_EQ(f.capture.overlaysAtWindowList, (QList<int>{2}));
    EXPECT_TRUE(f.capture.overlaysAtProbe.isEmpty());

    // Each window sits exactly on its display, frameless, on top and outside the window manager.
    for (RegionSelectionView* v : f.overlay.views()) {
        QWidget* w = v->window();
        EXPECT_EQ(w->geometry(), v->display().nativeFrame);
        EXPECT_TRUE(w->windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_TRUE(w->windowFlags().testFlag(Qt::X11BypassWindowManagerHint));
        EXPECT_EQ(v->picture().size(), v->display().nativeFrame.size());
    }
    ASSERT_NE(f.overlay.keyboardWindow(), nullptr);
}

TEST(RegionSelectionWindow, ADragDeliversTheRegionCutFromTheFrozenPicture) {
    Fixture f;
    ASSERT_TRUE(f.present());
    dragOn(f.view(11), QPoint(100, 200), QPoint(400, 350));
    EXPECT_TRUE(f.outcomes.isEmpty()) << "a dragged rectangle waits to be corrected";
    mouse(f.view(11), QEvent::MouseButtonDblClick, QPoint(250, 275)); // taken with a double click inside
    ASSERT_EQ(f.outcomes.size(), 1);
    const OverlayOutcome& o = f.outcomes.first();
    EXPECT_EQ(o.kind, OverlayOutcome::Kind::region);
    EXPECT_EQ(o.displayId, 11u);
    EXPECT_EQ(o.rect, QRect(100, 1080 - 200 - 150, 300, 150)); // desktop space, bottom-left origin
    EXPECT_EQ(o.image.size(), QSize(300, 150));
    // Closed and idle before the outcome ran; no second grab; the confirmation sounds once.
    EXPECT_EQ(f.busyAtDone, QList<bool>{false});
    EXPECT_EQ(f.visibleAtDone, QList<int>{0});
    EXPECT_TRUE(f.overlay.views().isEmpty());
    EXPECT_EQ(f.capture.captureCalls, 2);
    EXPECT_EQ(f.sound.beeps + f.sound.plays, 1);
    // Remembered for the next area selection, in desktop space.
    EXPECT_EQ(f.defaults.object(QStringLiteral("capture.lastRegion.area")),
              (QVariantList{100.0, 730.0, 300.0, 150.0}));
    test::drainEvents();
    EXPECT_EQ(f.outcomes.size(), 1);

    // A Shift selection on the second display replaces the first one's; Return from the window
    // holding the keyboard takes it, with that display's pixels and its desktop rectangle.
    ASSERT_TRUE(f.present());
    dragOn(f.view(11), QPoint(50, 60), QPoint(250, 160), Qt::ShiftModifier);
    dragOn(f.view(12), QPoint(10, 20), QPoint(110, 70), Qt::ShiftModifier);
    EXPECT_FALSE(f.view(11)->model().selection());
    f.shutterClock += 10;
    QTest::keyClick(f.overlay.keyboardWindow(), Qt::Key_Return);
    ASSERT_EQ(f.outcomes.size(), 2);
    EXPECT_EQ(f.outcomes[1].displayId, 12u);
    EXPECT_EQ(f.outcomes[1].rect, QRect(1930, 1080 - 20 - 50, 100, 50));
    const QImage cut = f.outcomes[1].image;
    EXPECT_EQ(cut.size(), QSize(100, 50));
    EXPECT_EQ(cut.pixel(0, 0), test::gradientPixel(10, 20, 12));
    EXPECT_EQ(cut.pixel(99, 49), test::gradientPixel(109, 69, 12));
    EXPECT_EQ(f.sound.beeps + f.sound.plays, 2);

    // Offered again on the same display next time; with the sound off a confirmation is silent.
    f.overlay.setShutterEnabled([] { return false; });
    f.shutterClock += 10;
    ASSERT_TRUE(f.present());
    EXPECT_EQ(f.view(12)->model().selection(), QRect(1930, 20, 100, 50)); // window space
    QTest::keyClick(f.view(12), Qt::Key_Space);
    ASSERT_EQ(f.outcomes.size(), 3);
    EXPECT_EQ(f.outcomes[2].rect, f.outcomes[1].rect);
    EXPECT_EQ(f.sound.beeps + f.sound.plays, 2);
}

// The colour picker answers the pixel under the release: a drag does not select an area.
TEST(RegionSelectionWindow, ThePickerAnswersThePixelUnderTheRelease) {
    Fixture f;
    std::optional<std::optional<QColor>> picked;
    f.overlay.pickColor([&](std::optional<QColor> c) { picked = c; });
    ASSERT_TRUE(test::waitUntil([&] { return f.overlay.views().size() == 2; }));
    dragOn(f.view(11), QPoint(10, 20), QPoint(300, 200));
    ASSERT_TRUE(picked);
    EXPECT_EQ(*picked, QColor(qRgb(300 % 256, 200, 11)));
}

// A grab answered again after its presentation ended is not taken for the next presentation's,
// whose failed grabs end it in a cancellation.
TEST(RegionSelectionWindow, LateGrabAnswersOfAnEndedPresentationAreDroppedAndFailedGrabsCancel) {
    Fixture f;
    ASSERT_TRUE(f.present());
    QTest::keyClick(f.overlay.keyboardWindow(), Qt::Key_Escape);
    ASSERT_EQ(f.outcomes.size(), 1);
    const QList<Completion<QImage>> late = f.capture.answers;
    f.capture.captureError = QStringLiteral("no screen");
    f.overlay.present(SnapIntent::area, RegionKind::area, std::nullopt,
                      [&](OverlayOutcome o) { f.outcomes << o; });
    for (const auto& done : late) {
        done(Result<QImage>::ok(QImage(64, 64, QImage::Format_RGB32)));
    }
    ASSERT_TRUE(test::waitUntil([&] { return f.outcomes.size() == 2 || visibleOverlayWindows() > 0; }));
    ASSERT_EQ(f.outcomes.size(), 2);
    EXPECT_EQ(f.outcomes[1].kind, OverlayOutcome::Kind::cancelled);
    EXPECT_FALSE(f.overlay.isBusy());
    EXPECT_EQ(visibleOverlayWindows(), 0);
}

} // namespace mebo
