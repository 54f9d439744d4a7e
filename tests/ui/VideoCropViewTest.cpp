// The crop drawn on the player's picture with its handles, in the editor window.
#include "support/Fakes.h"
#include "support/WindowDialogs.h"
#include "support/TestUtil.h"

#include "ui/VideoEditorWindow.h"
#include "ui/VideoInspector.h"
#include "ui/VideoPictureView.h"
#include "video/VideoEditorVM.h"
#include "video/VideoPlayer.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace mebo {
namespace {

const QSize kFrame(320, 180);

class FlatFrames : public platform::VideoFrameGenerator {
public:
    bool open(const QString&, QSize, QString*) override { return true; }
    double durationSec() const override { return 10; }
    QSize frameSize() const override { return kFrame; }
    QImage frameAt(double, QString*) override {
        QImage f(frameSize(), QImage::Format_RGB32);
        f.fill(QColor(200, 120, 40));
        return f;
    }
};

class Probe : public platform::MediaProbe {
public:
    std::optional<platform::MediaStreamFacts> probe(const QString&, QString*) override {
        platform::MediaStreamFacts f;
        f.durationSec = 10;
        f.hasVideo = true;
        f.videoSize = kFrame;
        f.frameRate = 25;
        return f;
    }
};

struct VideoCropViewTest : ::testing::Test {
    QTemporaryDir dir;
    test::FakeDialogs dialogs;
    std::unique_ptr<VideoEditorWindow> window;

    void SetUp() override {
        const QString clip = dir.filePath(QStringLiteral("Clip.mp4"));
        QFile f(clip);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("clip");
        f.close();
        VideoEditorServices s;
        s.frameGenerator = [](QString*) { return std::make_unique<FlatFrames>(); };
        s.composer = [](QString*) { return nullptr; };
        s.gifWriter = [] { return nullptr; };
        s.probe = [] { return std::make_shared<Probe>(); };
        s.dialogs = test::perWindow(dialogs);
        window = std::make_unique<VideoEditorWindow>(
            s, VideoEditorTarget{clip, std::nullopt, dir.filePath(QStringLiteral("Clip.mebo-video"))});
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->show();
    }
    VideoEditorVM& vm() { return *window->vm(); }
    VideoPictureView* view() { return window->pictureView(); }
    void drag(QPointF from, QPointF to) {
        QTest::mousePress(view(), Qt::LeftButton, {}, from.toPoint());
        QTest::mouseMove(view(), ((from + to) / 2).toPoint());
        QTest::mouseMove(view(), to.toPoint());
        QTest::mouseRelease(view(), Qt::LeftButton, {}, to.toPoint());
    }
    // A point of the source frame (fractions) on the widget.
    QPointF at(double x, double y) {
        const QRectF frame = view()->toWidget(QRectF(0, 0, 1, 1));
        return {frame.x() + x * frame.width(), frame.y() + y * frame.height()};
    }
};

void expectNear(const QRectF& got, const QRectF& want, double tolerance) {
    EXPECT_NEAR(got.x(), want.x(), tolerance);
    EXPECT_NEAR(got.y(), want.y(), tolerance);
    EXPECT_NEAR(got.width(), want.width(), tolerance);
    EXPECT_NEAR(got.height(), want.height(), tolerance);
}

TEST_F(VideoCropViewTest, TheCropIsDrawnWithItsHandlesOnThePicture) {
    window->inspector()->drawCropButton()->click();
    ASSERT_TRUE(view()->isCropEditing());
    ASSERT_TRUE(window->player()->isCropEditing());
    ASSERT_TRUE(test::waitUntil([&] { return !window->player()->picture().isNull(); }));
    const double px = 1.0 / view()->toWidget(QRectF(0, 0, 1, 1)).width(); // one pixel, in fractions
    const double tol = 3 * px;

    // Bottom-right handle in, then the top-left one: one undo step each.
    drag(at(1, 1), at(0.75, 0.8));
    ASSERT_TRUE(vm().state().cropRect);
    expectNear(*vm().state().cropRect, {0, 0, 0.75, 0.8}, tol);
    drag(at(0, 0), at(0.1, 0.2));
    expectNear(*vm().state().cropRect, {0.1, 0.2, 0.65, 0.6}, tol);
    // A drag inside moves it, and it stops at the frame's edge.
    drag(at(0.4, 0.5), at(0.9, 0.5));
    expectNear(*vm().state().cropRect, {0.35, 0.2, 0.65, 0.6}, tol);
    EXPECT_EQ(window->inspector()->cropLabel()->text(), QStringLiteral("208 × 108 pixels at 112, 36"));

    // Locked, an edge keeps the cropped pixels' shape.
    window->inspector()->cropLockBox()->click();
    ASSERT_TRUE(vm().state().cropAspectLocked);
    const QRectF before = *vm().state().cropRect;
    drag(at(0.35, 0.5), at(0.5, 0.5)); // the left edge
    const QRectF locked = *vm().state().cropRect;
    EXPECT_NEAR(locked.width() / locked.height(), before.width() / before.height(), 0.02);
    EXPECT_NEAR(locked.right(), before.right(), tol);
    EXPECT_LT(locked.height(), before.height());

    // The picture is the whole frame while drawing, the crop once done.
    EXPECT_EQ(window->player()->outputSize(), kFrame);
    window->inspector()->drawCropButton()->click();
    EXPECT_FALSE(view()->isCropEditing());
    const QSize cropped = window->player()->outputSize();
    EXPECT_NEAR(cropped.width(), locked.width() * kFrame.width(), 2);
    EXPECT_NEAR(cropped.height(), locked.height() * kFrame.height(), 2);

    // Drags and the lock were undo steps; Reset Crop is one more.
    window->inspector()->resetCropButton()->click();
    EXPECT_FALSE(vm().state().cropRect);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(vm().undo());
    }
    EXPECT_FALSE(vm().state().cropAspectLocked);
    expectNear(*vm().state().cropRect, {0.35, 0.2, 0.65, 0.6}, tol);
}

} // namespace
} // namespace mebo
