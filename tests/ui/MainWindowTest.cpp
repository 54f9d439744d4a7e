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
#include "support/Files.h"
#include "support/TestUtil.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
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

// Leaving an annotated outside image is the view-model's test; here, what a drop opens.
TEST_F(MainWindowTest, DroppedImagesOpenAndOtherFilesAreRefused) {
    window.show();
    const QString outside = tmp.filePath(QStringLiteral("outside.png"));
    QImage image(120, 90, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    ASSERT_TRUE(image.save(outside));
    const QString text = tmp.filePath(QStringLiteral("notes.png")); // an image's name, not its content
    test::writeBytes(text, "not an image");

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
}

} // namespace
} // namespace mebo
