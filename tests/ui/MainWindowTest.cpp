#include "ui/MainWindow.h"

#include "app/Cfg.h"
#include "app/MainWindowVM.h"
#include "capture/ClipboardSvc.h"
#include "capture/ImageStore.h"
#include "editor/EditorVM.h"
#include "library/HistoryStore.h"
#include "library/ThumbnailCache.h"
#include "support/TestUtil.h"

#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>
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
    MainWindow window{cfg, vm, history, clipboard, [this](CaptureMode m) { started << m; }};
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
    EXPECT_EQ(window.zoom(), 1.0);
    EXPECT_TRUE(window.performCommand(QStringLiteral("zoomIn:")));
    EXPECT_DOUBLE_EQ(*window.zoom(), 1.25);
    EXPECT_TRUE(window.performCommand(QStringLiteral("zoomToFit:")));
    EXPECT_FALSE(window.zoom());
}

} // namespace
} // namespace mebo
