#include "ui/MainWindow.h"

#include "app/Cfg.h"
#include "app/MainWindowVM.h"
#include "capture/ClipboardSvc.h"
#include "capture/ImageStore.h"
#include "document/CustomStampMgr.h"
#include "editor/EditorVM.h"
#include "library/HistoryStore.h"
#include "library/ThumbnailCache.h"
#include "support/Fakes.h"
#include "support/TestUtil.h"
#include "ui/EditorCanvas.h"
#include "ui/EditorToolBar.h"
#include "ui/MainMenu.h"
#include "ui/OcrResultWindow.h"
#include "ui/ThumbnailStrip.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUuid>
#include <gtest/gtest.h>

namespace mebo {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        images.ensureSaveDirectory();
        history.load();
    }
    ~MainWindowTest() override {
        test::waitUntil([&] { return history.isIdle(); });
    }

    // A capture written and entered as the coordinator does it.
    QString addCapture(const QImage& image) {
        CaptureResult r{image, CaptureMode::area, QDateTime::currentDateTime(), 1u, std::nullopt};
        const QString path = *images.write(r);
        const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        window.openNewCapture(path, id, r);
        history.add(path, r, id);
        return id;
    }

    test::LogCapture log;
    QTemporaryDir tmp;
    test::FakeDefaultsStore defaults;
    Cfg cfg{defaults, tmp.filePath(QStringLiteral("library"))};
    ImageStore images{cfg};
    test::FakeWorkspace workspace{tmp.filePath(QStringLiteral("trash"))};
    ThumbnailCache thumbnails{tmp.filePath(QStringLiteral("thumbs"))};
    HistoryStore history{cfg, workspace, thumbnails};
    test::FakeDialogs dialogs;
    test::FakeClipboard clipboardBackend;
    ClipboardSvc clipboard{clipboardBackend};
    MainWindowVM vm{cfg, history, dialogs};
    QList<CaptureMode> started;
    std::shared_ptr<test::ScriptedRecognizer> recognizer = std::make_shared<test::ScriptedRecognizer>();
    CustomStampMgr stamps{tmp.filePath(QStringLiteral("stamps"))};
    MainWindow window{
        MainWindow::Services{cfg, vm, history, thumbnails, clipboard, &workspace,
                             EditorPage::Services{recognizer, nullptr, nullptr, &clipboardBackend, &stamps},
                             [this](CaptureMode m) { started << m; }}};
};

TEST_F(MainWindowTest, ANewCaptureOpensInTheWindowAtItsRememberedFrame) {
    window.setRememberedFrame(QRect(120, 80, 900, 640));
    window.setCaptureInProgress(true);
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    const QString id = addCapture(image);

    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), QRect(120, 80, 900, 640));
    EXPECT_FALSE(window.captureInProgress());
    EXPECT_FALSE(window.rememberedFrame());
    ASSERT_TRUE(test::waitUntil([&] { return vm.editor() != nullptr; }));
    ASSERT_TRUE(vm.currentEntry());
    EXPECT_EQ(vm.currentEntry()->id, id);
    EXPECT_TRUE(window.showsMedia());

    // Closing only hides; the application keeps running.
    window.close();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, CopyPasteUndoAndZoomWorkOnTheOpenCapture) {
    EXPECT_FALSE(window.copyCurrentMedia()); // nothing open
    EXPECT_FALSE(window.isCommandEnabled(QStringLiteral("zoomIn:")));

    QImage image(80, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    addCapture(image);
    ASSERT_TRUE(test::waitUntil([&] { return vm.editor() != nullptr; }));

    ASSERT_TRUE(window.copyCurrentMedia());
    const QImage copied =
        QImage::fromData(clipboardBackend.formats.value(QStringLiteral("image/png")), "PNG");
    EXPECT_EQ(copied.size(), QSize(80, 60));

    QImage pasted(20, 10, QImage::Format_ARGB32);
    pasted.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(pasted);
    ASSERT_TRUE(window.pasteImageIntoCanvas());
    EXPECT_EQ(vm.editor()->layers().size(), 1);
    EXPECT_TRUE(window.isCommandEnabled(QStringLiteral("undo:")));
    EXPECT_TRUE(window.performCommand(QStringLiteral("undo:")));
    EXPECT_TRUE(vm.editor()->layers().isEmpty());
    EXPECT_FALSE(window.performCommand(QStringLiteral("undo:"))); // nothing left to undo

    EXPECT_TRUE(window.performCommand(QStringLiteral("actualSize:")));
    EXPECT_EQ(window.canvas()->zoom(), 1.0);
    EXPECT_TRUE(window.performCommand(QStringLiteral("zoomIn:")));
    EXPECT_DOUBLE_EQ(*window.canvas()->zoom(), 1.25);
    EXPECT_TRUE(window.performCommand(QStringLiteral("zoomToFit:")));
    EXPECT_FALSE(window.canvas()->zoom());

    // Fitting, the zoom field follows the window's size (it was stale after a restart).
    auto* zoomField = window.findChild<QToolButton*>(QStringLiteral("zoomLevel"));
    ASSERT_TRUE(zoomField);
    QImage big(4000, 3000, QImage::Format_RGB32);
    big.fill(Qt::white);
    addCapture(big);
    ASSERT_TRUE(test::waitUntil([&] { return vm.editor()->baseImage().width() == 4000; }));
    for (const QSize size : {QSize(700, 500), QSize(1500, 1000)}) {
        window.resize(size);
        window.show();
        test::drainEvents();
        EXPECT_EQ(zoomField->text(), QStringLiteral("%1%").arg(qRound(window.canvas()->scale() * 100)))
            << size.width();
    }
}

// A drag on the canvas from one image point to another, as the user does it.
void dragOnCanvas(EditorCanvas& canvas, QPointF from, QPointF to) {
    const QPoint a = canvas.toWidget(from).toPoint();
    const QPoint b = canvas.toWidget(to).toPoint();
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, a);
    QTest::mouseMove(&canvas, (a + b) / 2);
    QTest::mouseMove(&canvas, b);
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, b);
}

void clickStripItem(MainWindow& window, int row) {
    QListView* list = window.strip()->listView();
    const QRect r = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

TEST_F(MainWindowTest, DroppedImagesOpenAndTheirAnnotationsAreNotDroppedSilently) {
    window.show();
    const QString outside = tmp.filePath(QStringLiteral("outside.png"));
    QImage image(120, 90, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    ASSERT_TRUE(image.save(outside));
    const QString text = tmp.filePath(QStringLiteral("notes.png")); // an image's name, not its content
    QFile notes(text);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not an image");
    notes.close();

    auto dragEnter = [&](const QString& file) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        return enter.isAccepted();
    };
    EXPECT_FALSE(dragEnter(text));
    ASSERT_TRUE(dragEnter(outside));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(outside)});
    QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    ASSERT_TRUE(vm.editor());
    EXPECT_EQ(vm.editor()->baseImage().size(), QSize(120, 90));
    EXPECT_FALSE(vm.currentEntry()); // not a library item
    EXPECT_EQ(window.windowTitle(), QStringLiteral("outside.png — Mebo"));

    // An annotated outside image has no sidecar: leaving it asks first.
    QImage capture(60, 40, QImage::Format_RGB32);
    capture.fill(Qt::white);
    const QString id = addCapture(capture); // opens it, as a new capture does... after the question
    QImage pasted(10, 10, QImage::Format_ARGB32);
    pasted.fill(Qt::yellow);
    dialogs.alertAnswer = 1; // "Cancel"
    ASSERT_TRUE(test::waitUntil([&] { return vm.editor()->baseImage().size() == QSize(60, 40); }));
    ASSERT_TRUE(window.openImageFiles({outside}));
    ASSERT_TRUE(test::waitUntil([&] { return vm.editor()->baseImage().size() == QSize(120, 90); }));
    QGuiApplication::clipboard()->setImage(pasted);
    ASSERT_TRUE(window.pasteImageIntoCanvas());
    clickStripItem(window, 0);
    ASSERT_TRUE(test::waitUntil([&] { return !dialogs.alerts.isEmpty(); }));
    EXPECT_EQ(dialogs.alerts.last().title, QStringLiteral("Unsaved annotations"));
    test::drainEvents();
    EXPECT_EQ(vm.editor()->layers().size(), 1); // stayed
    dialogs.alertAnswer = 0;                    // "Discard"
    clickStripItem(window, 0);
    ASSERT_TRUE(test::waitUntil([&] { return vm.currentEntry() && vm.currentEntry()->id == id; }));
}

} // namespace
} // namespace mebo

namespace mebo {
namespace {

// Delete on the strip moves the item under it to the Trash, not a layer of the open capture (the
// Edit menu's Delete has the same key); the neighbour opens in its place.
TEST_F(MainWindowTest, DeleteOnTheStripTrashesTheItemAndItsNeighbourOpens) {
    MainMenu::Handler handler;
    handler.perform = [this](const QString& s) { window.performCommand(s); };
    handler.isEnabled = [this](const QString& s) { return window.isCommandEnabled(s); };
    MainMenu::build(*window.menuBar(), QStringLiteral("0.1.0"), handler);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QString older = addCapture(image);
    const QString newer = addCapture(image);
    ASSERT_TRUE(test::waitUntil([&] { return vm.currentEntry() && vm.currentEntry()->id == newer; }));
    QGuiApplication::clipboard()->setImage(image.scaled(8, 8));
    ASSERT_TRUE(window.pasteImageIntoCanvas()); // a selected layer the menu's Delete would remove
    window.strip()->listView()->setFocus();
    QTest::keyClick(window.strip()->listView(), Qt::Key_Delete);
    ASSERT_TRUE(test::waitUntil([&] { return history.entries().size() == 1; }));
    EXPECT_EQ(history.entries().first().id, older);
    ASSERT_TRUE(vm.currentEntry());
    EXPECT_EQ(vm.currentEntry()->id, older);
    EXPECT_TRUE(
        QDir(tmp.filePath(QStringLiteral("library"))).entryList({QStringLiteral("*.mebo")}).isEmpty());
}

} // namespace
} // namespace mebo
