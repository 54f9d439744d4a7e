#include "support/Drawing.h"
#include "support/Fakes.h"
#include "support/Files.h"
#include "support/ScriptedFrames.h"
#include "support/TestUtil.h"
#include "support/Widgets.h"
#include "support/WindowDialogs.h"

#include "ui/VideoEditorWindow.h"
#include "ui/VideoInspector.h"
#include "ui/VideoPictureView.h"
#include "ui/VideoTimelineView.h"
#include "ui/WidgetDialogs.h"
#include "video/MeboVideoDocument.h"
#include "video/VideoEditorVM.h"
#include "video/VideoPlayer.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace mebo {
namespace {

using List = RegionRef::List;

class TenSecondProbe : public platform::MediaProbe {
public:
    std::optional<platform::MediaStreamFacts> probe(const QString&, QString*) override {
        platform::MediaStreamFacts f;
        f.durationSec = 10;
        f.hasVideo = true;
        f.videoSize = {160, 90};
        f.frameRate = 25;
        return f;
    }
};

struct VideoEditorWindowTest : ::testing::Test {
    QTemporaryDir dir;
    QString clip = dir.filePath(QStringLiteral("Clip.mp4"));
    QString project = dir.filePath(QStringLiteral("Clip.mebo-video"));
    test::FakeDialogs dialogs;
    std::unique_ptr<VideoEditorWindow> window;

    VideoEditorWindowTest() { test::writeBytes(clip, "clip"); }

    // Every service but the export's composer, which never loads.
    VideoEditorServices services() {
        VideoEditorServices s;
        s.frameGenerator = [](QString*) { return std::make_unique<test::ScriptedFrames>(); };
        s.composer = [](QString* error) -> std::unique_ptr<platform::VideoComposer> {
            *error = QStringLiteral("media module not loaded");
            return nullptr;
        };
        s.gifWriter = [] { return nullptr; };
        s.probe = [] { return std::make_shared<TenSecondProbe>(); };
        s.dialogs = test::perWindow(dialogs);
        return s;
    }
    void open(const QString& path) {
        const auto target = VideoEditorWindow::targetFor(path);
        ASSERT_TRUE(std::holds_alternative<VideoEditorTarget>(target));
        window = std::make_unique<VideoEditorWindow>(services(), std::get<VideoEditorTarget>(target));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->show();
    }
    VideoEditorVM& vm() { return *window->vm(); }
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(window.get(), Qt::Key(k), mods);
    }
    // A mouse drag on the player's picture, in widget points.
    void dragOnPicture(QPointF from, QPointF to) {
        VideoPictureView* view = window->pictureView();
        QTest::mousePress(view, Qt::LeftButton, {}, from.toPoint());
        QTest::mouseMove(view, ((from + to) / 2).toPoint());
        QTest::mouseMove(view, to.toPoint());
        QTest::mouseRelease(view, Qt::LeftButton, {}, to.toPoint());
    }
};

// Ctrl+B, Ctrl+Z and Ctrl+Shift+Z on the timeline are the video walkthrough's.
TEST_F(VideoEditorWindowTest, KeysPlayStepAndDelete) {
    open(clip);
    EXPECT_TRUE(dialogs.alerts.isEmpty());
    key(Qt::Key_Space);
    EXPECT_TRUE(window->player()->isPlaying());
    key(Qt::Key_Space);
    EXPECT_FALSE(window->player()->isPlaying());

    key(Qt::Key_Right);
    EXPECT_NEAR(vm().playhead(), 0.04, 1e-9) << "a frame at 25 fps";

    vm().addRegion(List::trim, {6, 7});
    ASSERT_TRUE(vm().selection());
    key(Qt::Key_Delete);
    EXPECT_TRUE(vm().state().trimRegions.isEmpty());

    // The edits reach the project file beside the recording.
    EXPECT_TRUE(test::waitUntil(
        [&] { return window->statusLabel()->text().startsWith("Saved to Clip.mebo-video"); }, 10000));
}

TEST_F(VideoEditorWindowTest, CtrlWClosesTheEditorAndSavesWhatIsPending) {
    open(clip);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    vm().addRegion(List::trim, {1, 2});
    ASSERT_TRUE(vm().hasPendingAutosave());
    key(Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    // Written at once, not when the autosave timer would have fired.
    ASSERT_TRUE(QFileInfo::exists(project));
    EXPECT_EQ(MeboVideoDocument::readFile(project).edit.trimRegions.size(), 1);
}

// File > Open Project... on a project that cannot be opened, then the recording opened from the
// strip: a project that cannot be read is shown in an alert and never written over, whatever is
// edited (which files cannot be read, and why, is the project file's own table; a project that
// opens is the video walkthrough's).
TEST_F(VideoEditorWindowTest, ADamagedProjectIsShownInAnAlertAndNeverOverwritten) {
    const QByteArray damaged = "{ not json";
    test::writeBytes(project, damaged);
    auto target = VideoEditorWindow::targetFor(project);
    const auto* alert = std::get_if<VideoEditorWindow::Alert>(&target);
    ASSERT_TRUE(alert) << "nothing opens";
    EXPECT_EQ(alert->title, QStringLiteral("Project file unreadable"));
    EXPECT_TRUE(alert->text.contains(QStringLiteral("could not be decoded"))) << alert->text.toStdString();
    test::LogCapture logs;
    open(clip);
    ASSERT_TRUE(test::waitUntil([&] { return dialogs.alerts.size() == 1; })) << "once the window is up";
    EXPECT_EQ(dialogs.alerts[0].title, QStringLiteral("Project file unreadable"));
    EXPECT_TRUE(
        logs.contains(QStringLiteral("[VideoEditor] Open Project 失敗 — autosave 禁用, 避免覆寫壞檔")));
    vm().addRegion(List::trim, {1, 2});
    window->close();
    EXPECT_EQ(test::fileBytes(project), damaged);
    EXPECT_TRUE(window->statusLabel()->text().startsWith("Autosave off"));

    // Without its recording beside it, a project does not open either.
    test::writeBytes(project, R"({"version": 1})");
    QFile::remove(clip);
    target = VideoEditorWindow::targetFor(project);
    alert = std::get_if<VideoEditorWindow::Alert>(&target);
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title, QStringLiteral("Source video not found"));
    EXPECT_TRUE(alert->text.contains(".mebo-video file")) << alert->text.toStdString();
}

struct DragCase {
    const char* name;
    double grabAt; // seconds into the span [2, 4]
    double moveBy; // seconds
    bool shift;
    TimeRange expected;
};

class TimelineDrag : public VideoEditorWindowTest, public ::testing::WithParamInterface<DragCase> {};

TEST_P(TimelineDrag, MovesAndResizesOnTheGrid) {
    const DragCase& c = GetParam();
    open(clip);
    const auto id = vm().addRegion(List::speed, {2, 4});
    VideoTimelineView* view = window->timeline();
    view->resize(1096, view->height()); // 1000 px of time scale: 100 px a second
    const int y = view->rowTop(List::speed) + VideoTimelineView::kRowHeight / 2;
    const auto x = [&](double t) { return int(std::lround(view->xOfTime(t))); };
    const Qt::KeyboardModifiers mods = c.shift ? Qt::ShiftModifier : Qt::NoModifier;
    QTest::mousePress(view, Qt::LeftButton, mods, QPoint(x(2 + c.grabAt), y));
    QTest::mouseMove(view, QPoint(x(2 + c.grabAt + c.moveBy), y));
    QMouseEvent move(QEvent::MouseMove, QPointF(x(2 + c.grabAt + c.moveBy), y),
                     view->mapToGlobal(QPointF(0, 0)), Qt::NoButton, Qt::LeftButton, mods);
    QCoreApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, mods, QPoint(x(2 + c.grabAt + c.moveBy), y));
    ASSERT_TRUE(vm().spanOf({List::speed, *id}));
    const TimeRange got = *vm().spanOf({List::speed, *id});
    EXPECT_NEAR(got.start, c.expected.start, 0.011);
    EXPECT_NEAR(got.end, c.expected.end, 0.011);
    EXPECT_EQ(vm().selection(), (RegionRef{List::speed, *id}));
}

INSTANTIATE_TEST_SUITE_P(VideoEditor, TimelineDrag,
                         ::testing::Values(DragCase{"moveSnaps", 1, 1.13, false, {3.25, 5.25}},
                                           DragCase{"moveShiftIsFree", 1, 1.13, true, {3.13, 5.13}},
                                           DragCase{"rightEdgeKeepsMinimum", 2, -2.5, true, {2, 2.1}},
                                           DragCase{"leftEdgeSnaps", 0, -0.9, false, {1, 4}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VideoEditorWindowTest, AnnotationsMoveAndResizeOnThePicture) {
    open(clip);
    const auto id = vm().addAnnotation(AnnotationKind::arrow, {0.5, 0.5});
    ASSERT_TRUE(id);
    VideoPictureView* view = window->pictureView();
    ASSERT_TRUE(test::waitUntil([&] { return !view->pictureRect().isEmpty(); }));
    const QRectF before = vm().state().annotationRegions[0].rect;
    const QRectF shown = view->toWidget(before);
    dragOnPicture(shown.center(), shown.center() + QPointF(40, 20));
    const QRectF moved = vm().state().annotationRegions[0].rect;
    EXPECT_NEAR(view->toWidget(moved).x() - shown.x(), 40, 1.5);
    EXPECT_NEAR(view->toWidget(moved).y() - shown.y(), 20, 1.5);
    EXPECT_DOUBLE_EQ(moved.width(), before.width()) << "a move keeps the size";
    // The corner resizes; far beyond the frame it stops at its edge.
    dragOnPicture(view->toWidget(moved).bottomRight(),
                  view->toWidget(moved).bottomRight() + QPointF(5000, 5000));
    const QRectF resized = vm().state().annotationRegions[0].rect;
    EXPECT_DOUBLE_EQ(resized.topLeft().x(), moved.topLeft().x());
    EXPECT_NEAR(resized.right(), 1, 1e-9);
    EXPECT_NEAR(resized.bottom(), 1, 1e-9);
    // Two drags, two undo steps.
    EXPECT_TRUE(vm().undo());
    EXPECT_TRUE(vm().undo());
    EXPECT_EQ(vm().state().annotationRegions[0].rect, before);
}

// How crop handles move, stop at the frame and keep a locked shape is the crop drag's own table;
// the aspect choice, the lock and Reset Crop are the video walkthrough's. Here, the picture's
// handles reach the crop at the widget's scale, and the picture is the whole frame only while the
// crop is drawn.
TEST_F(VideoEditorWindowTest, TheCropIsDrawnWithItsHandlesOnThePicture) {
    open(clip);
    VideoPictureView* view = window->pictureView();
    window->inspector()->drawCropButton()->click();
    ASSERT_TRUE(view->isCropEditing());
    ASSERT_TRUE(test::waitUntil([&] { return !window->player()->picture().isNull(); }));
    const QRectF frame = view->toWidget(QRectF(0, 0, 1, 1));
    const auto at = [&](double x, double y) {
        return frame.topLeft() + QPointF(x * frame.width(), y * frame.height());
    };
    const double tol = 3 / frame.width(); // three points, in fractions of the frame

    // The bottom-right handle in, then a drag inside moves the crop: one undo step each.
    dragOnPicture(at(1, 1), at(0.75, 0.8));
    ASSERT_TRUE(vm().state().cropRect);
    EXPECT_TRUE(test::rectNear(*vm().state().cropRect, {0, 0, 0.75, 0.8}, tol));
    dragOnPicture(at(0.4, 0.5), at(0.5, 0.6));
    EXPECT_TRUE(test::rectNear(*vm().state().cropRect, {0.1, 0.1, 0.75, 0.8}, tol));
    EXPECT_EQ(window->inspector()->cropLabel()->text(), QStringLiteral("120 × 72 pixels at 16, 9"));

    EXPECT_EQ(window->player()->outputSize(), QSize(160, 90));
    window->inspector()->drawCropButton()->click();
    EXPECT_FALSE(view->isCropEditing());
    const QSize cropped = window->player()->outputSize(); // rounded outward
    EXPECT_NEAR(cropped.width(), 120, 1);
    EXPECT_NEAR(cropped.height(), 72, 1);
    ASSERT_TRUE(vm().undo());
    EXPECT_TRUE(test::rectNear(*vm().state().cropRect, {0, 0, 0.75, 0.8}, tol));
}

// An MP4 export that cannot start is the alert's case below.
TEST_F(VideoEditorWindowTest, AGifExportThatCannotStartSaysSo) {
    open(clip);
    test::LogCapture logs;
    bool ended = true;
    window->exportGif(dir.filePath(QStringLiteral("Out.gif")), GifExportOptions{},
                      [&](bool ok) { ended = ok; });
    EXPECT_FALSE(ended);
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_EQ(dialogs.alerts[0].title, QStringLiteral("Export failed"));
    EXPECT_EQ(dialogs.alerts[0].text, QStringLiteral("Could not export the video as GIF."));
    EXPECT_TRUE(logs.contains(QStringLiteral("[MainWindowVM] GIF 匯出失敗 media module not loaded")));
}

// The editor's alerts are the editor's: modal to it and over its middle.
TEST_F(VideoEditorWindowTest, AlertsOpenOverTheEditor) {
    auto s = services();
    s.dialogs = [](QWidget* w) { return std::make_unique<WidgetDialogs>([w] { return w; }); };
    window = std::make_unique<VideoEditorWindow>(
        s, std::get<VideoEditorTarget>(VideoEditorWindow::targetFor(clip)));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setGeometry(40, 40, 800, 500);
    window->show();
    bool ended = true;
    window->exportVideo(dir.filePath(QStringLiteral("Out.mp4")), [&](bool ok) { ended = ok; });
    QMessageBox* box =
        test::shownWindow<QMessageBox>([](QMessageBox* b) { return b->text() == "Export failed"; });
    ASSERT_TRUE(box);
    EXPECT_FALSE(ended);
    EXPECT_EQ(box->informativeText(), QStringLiteral("Could not export the edited video."));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Out.mp4"))));
    EXPECT_EQ(box->parentWidget(), window.get());
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_LE((box->geometry().center() - window->geometry().center()).manhattanLength(), 4);
    box->reject();
}

} // namespace
} // namespace mebo
