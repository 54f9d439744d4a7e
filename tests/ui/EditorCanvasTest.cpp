#include "ui/EditorCanvas.h"

#include "editor/EditorVM.h"
#include "editor/ToolController.h"
#include "support/Drawing.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace mebo {
namespace {

QImage plain(int w, int h) {
    return test::canvas(w, h, QColor(240, 240, 240));
}

class EditorCanvasTest : public ::testing::Test {
protected:
    void open(const QImage& image, QSize canvasSize = QSize(800, 600)) {
        editor = std::make_shared<EditorVM>(image);
        canvas.resize(canvasSize);
        canvas.show();
        canvas.setEditor(editor);
        QApplication::processEvents();
    }
    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const QPoint a = canvas.toWidget(from).toPoint();
        const QPoint b = canvas.toWidget(to).toPoint();
        QTest::mousePress(&canvas, Qt::LeftButton, mods, a);
        QTest::mouseMove(&canvas, (a + b) / 2);
        QTest::mouseMove(&canvas, b);
        QTest::mouseRelease(&canvas, Qt::LeftButton, mods, b);
    }
    // The colour the user sees at an image point.
    QColor seenAt(QPointF imagePoint) {
        QApplication::processEvents();
        const QImage shown = canvas.grab().toImage();
        return shown.pixelColor(canvas.toWidget(imagePoint).toPoint());
    }

    std::shared_ptr<EditorVM> editor;
    EditorCanvas canvas;
};

TEST_F(EditorCanvasTest, ZoomAndPanMapTheImageConsistently) {
    open(plain(200, 100));
    EXPECT_DOUBLE_EQ(canvas.scale(), 1.0); // a small capture is never enlarged to fit
    EXPECT_EQ(canvas.pictureRect().center(), QRectF(canvas.rect()).center());

    open(plain(3200, 1800));
    EXPECT_LT(canvas.scale(), 0.25);
    EXPECT_LE(canvas.pictureRect().width(), canvas.width());
    EXPECT_LE(canvas.pictureRect().height(), canvas.height());

    canvas.actualSize();
    ASSERT_EQ(canvas.zoom(), 1.0);
    // Zooming keeps the image point at the centre where it was.
    const QPointF centre(canvas.width() / 2.0, canvas.height() / 2.0);
    EXPECT_NEAR(canvas.toImage(centre).x(), 1600, 1);
    canvas.panBy(QPointF(300, 0)); // the picture moves right: the centre shows a point further left
    EXPECT_NEAR(canvas.toImage(centre).x(), 1300, 1);
    canvas.zoomIn();
    EXPECT_NEAR(canvas.toImage(centre).x(), 1300, 1);
    canvas.panBy(QPointF(100000, 100000)); // clamped: the image edge stays near the canvas edge
    EXPECT_LE(canvas.pictureRect().left(), 24.5);
    for (const QPointF p : {QPointF(0, 0), QPointF(1234.5, 987.25)}) {
        const QPointF back = canvas.toImage(canvas.toWidget(p));
        EXPECT_NEAR(back.x(), p.x(), 1e-9);
        EXPECT_NEAR(back.y(), p.y(), 1e-9);
    }
    canvas.zoomToFit();
    EXPECT_FALSE(canvas.zoom());

    // The crop tool shows the whole image around the visible area; other tools only that area.
    editor->commitCrop(QRectF(100, 100, 800, 400));
    EXPECT_EQ(canvas.viewedRect(), QRectF(100, 100, 800, 400));
    editor->setCurrentTool(ToolKind::crop);
    EXPECT_EQ(canvas.viewedRect(), QRectF(0, 0, 3200, 1800));
}

TEST_F(EditorCanvasTest, DragsBecomeLayersAndMovesAtAnyZoomAndTheViewFollows) {
    open(plain(600, 400));
    canvas.setZoom(2.0);
    canvas.panBy(QPointF(150, 80)); // towards the top-left corner
    editor->setCurrentTool(ToolKind::rect);
    ToolStyles red = editor->styles();
    red.strokeColor = QColor(255, 0, 0);
    red.strokeWidth = 10;
    red.shape.fillColor = QColor(255, 0, 0);
    editor->setStyles(red);
    drag(QPointF(100, 100), QPointF(200, 160));
    ASSERT_EQ(editor->layers().size(), 1);
    const QRectF b = editor->layers()[0]->bounds();
    EXPECT_NEAR(b.center().x(), 150, 2);
    EXPECT_NEAR(b.center().y(), 130, 2);
    ASSERT_TRUE(canvas.rect().contains(canvas.toWidget(QPointF(100, 100)).toPoint()));
    EXPECT_EQ(seenAt(QPointF(150, 130)), QColor(255, 0, 0));

    // Moving it repaints both where it was and where it went.
    editor->setCurrentTool(ToolKind::selection);
    drag(QPointF(150, 130), QPointF(230, 150));
    EXPECT_EQ(seenAt(QPointF(230, 150)), QColor(255, 0, 0));
    EXPECT_EQ(seenAt(QPointF(115, 115)), QColor(240, 240, 240));

    // The selected layer's handles are hit with the same screen tolerance at every zoom.
    EXPECT_NEAR(canvas.controller()->hitTolerance() * canvas.scale(), 10, 1e-9);
}

TEST_F(EditorCanvasTest, PickingARegionAnswersImagePixelsOnceAndEscapeAnswersNothing) {
    open(plain(1600, 1200));
    std::optional<std::optional<QRectF>> answer;
    canvas.pickRegion([&](std::optional<QRectF> r) { answer = r; });
    editor->setCurrentTool(ToolKind::rect);
    drag(QPointF(100, 200), QPointF(500, 400));
    ASSERT_TRUE(answer);
    ASSERT_TRUE(*answer);
    EXPECT_NEAR((*answer)->left(), 100, 3);
    EXPECT_NEAR((*answer)->bottom(), 400, 3);
    EXPECT_TRUE(editor->layers().isEmpty()); // the drag was not the tool's
    EXPECT_FALSE(canvas.isPickingRegion());

    answer.reset();
    canvas.pickRegion([&](std::optional<QRectF> r) { answer = r; });
    QTest::keyClick(&canvas, Qt::Key_Escape);
    ASSERT_TRUE(answer);
    EXPECT_FALSE(*answer);

    // Another editor takes the place: an unanswered request gets nothing.
    answer.reset();
    canvas.pickRegion([&](std::optional<QRectF> r) { answer = r; });
    canvas.setEditor(std::make_shared<EditorVM>(plain(10, 10)));
    ASSERT_TRUE(answer);
    EXPECT_FALSE(*answer);
}

} // namespace
} // namespace mebo
