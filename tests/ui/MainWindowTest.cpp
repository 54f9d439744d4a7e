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
#include "ui/ThumbnailStrip.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFileInfo>
#include <QListView>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
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
