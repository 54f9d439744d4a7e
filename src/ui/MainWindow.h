#pragma once

#include "app/MediaCommandTarget.h"
#include "capture/CaptureMode.h"
#include "capture/MainWindowLink.h"

#include <QMainWindow>
#include <functional>
#include <optional>

class QLabel;
class QScrollArea;
class QStackedWidget;

namespace mebo {

class Cfg;
class ClipboardSvc;
class HistoryStore;
class MainWindowVM;

// The main window: the open capture and the main menu. It is what the capture coordinator hides
// and restores (MainWindowLink) and the target of the save, copy and paste keys. Closing it only
// hides it. Main thread only.
class MainWindow : public QMainWindow, public MainWindowLink, public MediaCommandTarget {
    Q_OBJECT
public:
    MainWindow(Cfg& cfg, MainWindowVM& vm, HistoryStore& history, ClipboardSvc& clipboard,
               std::function<void(CaptureMode)> startCapture, QWidget* parent = nullptr);
    ~MainWindow() override;

    // MainWindowLink
    bool isMainWindowVisible() const override { return isVisible(); }
    QRect mainWindowFrame() const override { return geometry(); }
    void hideMainWindow() override { hide(); }
    void showMainWindow() override;
    void setMainWindowFrame(const QRect& frame) override { setGeometry(frame); }
    bool captureInProgress() const override { return captureInProgress_; }
    void setCaptureInProgress(bool inProgress) override { captureInProgress_ = inProgress; }
    std::optional<QRect> rememberedFrame() const override { return rememberedFrame_; }
    void setRememberedFrame(std::optional<QRect> frame) override { rememberedFrame_ = frame; }
    void openNewCapture(const QString& path, const QString& itemId, const CaptureResult& result) override;

    // MediaCommandTarget
    bool showsMedia() const override;
    void save() override;
    void saveAs() override;
    bool copyCurrentMedia() override;
    bool pasteImageIntoCanvas() override;

    // Menu commands by selector (editor, view and file commands).
    bool performCommand(const QString& selector);
    bool isCommandEnabled(const QString& selector) const;

    // The zoom factor of the image view; nothing while it fits the window.
    std::optional<double> zoom() const { return zoom_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildEmptyPage(std::function<void(CaptureMode)> startCapture);
    void openEntry(const QString& path, const QString& itemId);
    void refreshImage();
    void setZoom(std::optional<double> zoom);

    Cfg& cfg_;
    MainWindowVM& vm_;
    HistoryStore& history_;
    ClipboardSvc& clipboard_;
    QStackedWidget* pages_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QLabel* image_ = nullptr;
    QLabel* folderHint_ = nullptr;
    bool captureInProgress_ = false;
    std::optional<QRect> rememberedFrame_;
    std::optional<double> zoom_;
};

} // namespace mebo
