#pragma once

#include "app/KeyboardShortcutHandler.h"
#include "app/MediaCommandTarget.h"
#include "capture/CaptureMode.h"
#include "capture/MainWindowLink.h"
#include "library/HistoryEntry.h"
#include "ui/EditorPage.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <optional>

class QLabel;
class QStackedWidget;

namespace mebo {

class CapturePrefs;
class Cfg;
class ClipboardSvc;
class LibraryTextIndex;
class EditorCanvas;
class EditorToolBar;
class HistoryStore;
class HistoryView;
class MainWindowVM;
class ThumbnailCache;
class ThumbnailStrip;
class ToolShortcutFilter;
class VideoEditorWindow;
struct VideoEditorServices;
namespace platform {
class Notifications;
class Workspace;
} // namespace platform

// The main window: the toolbar, the strip of captures, the editor (canvas and tool panel) or the
// library, and the status bar. It is what the capture coordinator hides and restores
// (MainWindowLink) and the target of the save, copy and paste keys. Closing it only hides it.
// The window shows the model's state and forwards the user's requests; the rules live in
// MainWindowVM and EditorVM. Main thread only.
class MainWindow : public QMainWindow, public MainWindowLink, public MediaCommandTarget {
    Q_OBJECT
public:
    struct Services {
        Cfg& cfg;
        MainWindowVM& vm;
        HistoryStore& history;
        ThumbnailCache& thumbnails;
        ClipboardSvc& clipboard;
        platform::Workspace* workspace = nullptr; // "Show in Folder"; may be null
        EditorPage::Services editing;
        std::function<void(CaptureMode)> startCapture;
        // Export choices, the notification after a capture and the recognised text the library
        // is searched by; each may be null.
        CapturePrefs* prefs = nullptr;
        platform::Notifications* notifications = nullptr;
        const LibraryTextIndex* textIndex = nullptr;
        // The video editor's media services; null: recordings cannot be opened.
        VideoEditorServices* video = nullptr;
    };

    explicit MainWindow(Services services, QWidget* parent = nullptr);
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

    // Opens image files from outside the library (the first readable one); false when none is an image.
    bool openImageFiles(const QStringList& paths);
    // Opens a recording or a video project in the video editor (the open one when it is already
    // open); a project that cannot be opened gives its alert. Null when nothing opened.
    VideoEditorWindow* openVideoEditor(const QString& path);
    // The recording the video commands act on: the strip's chosen item when it is one, else the
    // newest recording.
    std::optional<HistoryEntry> chosenRecording() const;
    // File > Export GIF...: the chosen recording in its editor, then the GIF options.
    bool exportChosenRecordingAsGif();

    // The library page instead of the editor, or back.
    void showLibrary(bool shown);
    bool isLibraryShown() const;

    EditorToolBar* editorToolBar() const { return toolBar_; }
    EditorPage* editorPage() const { return editorPage_; }
    EditorCanvas* canvas() const;
    ThumbnailStrip* strip() const { return strip_; }
    HistoryView* historyView() const { return historyView_; }
    QLabel* statusText() const { return status_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildEmptyPage();
    void buildToolBar();
    void applyMode();
    void openEntry(const HistoryEntry& entry);
    // The library item `step` places after the open one (newest first), or the newest.
    std::optional<HistoryEntry> neighbour(int step) const;
    bool openNeighbour(int step);
    void openImageDialog();
    void refreshStatus();
    void refreshZoom();
    // A short message in the status bar.
    void flash(const QString& message);
    void updateToolShortcuts();
    // Save As for a library item from its menu.
    void exportItem(const HistoryEntry& entry);
    // The notification after a capture: Open, Copy, Show in Folder.
    void notifyCaptured(const QString& path, const QString& itemId);
    // File > Open Video... and Open Project...: a file dialog, then the video editor.
    void openVideoDialog(bool project);
    // A recording's file on the clipboard (as file managers copy files); Ctrl+C on a recording
    // chosen in the strip copies it.
    bool copyRecordingFile(const HistoryEntry& entry);
    bool copyFocusedRecording();
    // The open picture's title (its file name) for pins and print jobs.
    QString pictureTitle() const;

    Services s_;
    QStackedWidget* pages_ = nullptr;
    QWidget* emptyPage_ = nullptr;
    QLabel* folderHint_ = nullptr;
    EditorPage* editorPage_ = nullptr;
    HistoryView* historyView_ = nullptr;
    ThumbnailStrip* strip_ = nullptr;
    EditorToolBar* toolBar_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* sizeLabel_ = nullptr;
    QLabel* stateLabel_ = nullptr;
    QTimer statusTimer_;
    KeyboardShortcutHandler toolKeys_;
    ToolShortcutFilter* toolKeyFilter_ = nullptr;
    bool captureInProgress_ = false;
    std::optional<QRect> rememberedFrame_;
    QList<QPointer<VideoEditorWindow>> videoEditors_;
};

} // namespace mebo
