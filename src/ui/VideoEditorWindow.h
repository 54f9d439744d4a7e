#pragma once

#include "platform/MediaProbe.h"
#include "platform/VideoComposer.h"
#include "platform/VideoFrameGenerator.h"
#include "video/GifExporter.h"
#include "video/VideoAudioPlayback.h"
#include "video/VideoEnums.h"
#include "video/VideoExporter.h"

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <variant>

class QLabel;
class QPushButton;
class QThread;

namespace mebo {

class VideoEditorVM;
class VideoPlayer;
class VideoTimelineStrips;
class VideoTimelineView;
class VideoInspector;
class VideoPictureView;
class VideoChapterDisplayStylePref;
namespace platform {
class Dialogs;
}

// The media services the video editor works with (from the FFmpeg module when the application
// runs; fakes in tests). Each factory may answer null, with the reason in `error`.
struct VideoEditorServices {
    std::function<std::unique_ptr<platform::VideoFrameGenerator>(QString* error)> frameGenerator;
    std::function<std::unique_ptr<platform::VideoComposer>(QString* error)> composer;
    std::function<std::unique_ptr<platform::GifWriter>()> gifWriter;
    std::function<std::shared_ptr<platform::MediaProbe>()> probe;
    VideoAudioPlayback::Services audio; // the player's sound; unset factories: silent
    // The alerts of one window, modal to and centred on it (null: no alerts).
    std::function<std::unique_ptr<platform::Dialogs>(QWidget* window)> dialogs;
    VideoChapterDisplayStylePref* chapterStyle = nullptr; // may be null: titles
};

// What the editor edits: the source video, its webcam recording and the project file autosave
// writes (which may not exist yet).
struct VideoEditorTarget {
    QString sourcePath;
    std::optional<QString> webcamPath;
    QString projectPath;
};

// The video editor window: the player (the output composition at the playhead), its transport,
// the timeline and the status line with the autosave state; Export Video... and Export as GIF...
// run on a worker thread behind a progress sheet with Cancel. Keys: Space plays or pauses, Left
// and Right step a frame, Delete removes the selected region, Ctrl+B splits the chapter at the
// playhead, Ctrl+Z and Ctrl+Shift+Z undo and redo. Main thread.
class VideoEditorWindow : public QWidget {
    Q_OBJECT
public:
    // Where a recording or a project leads: the project beside a recording, the recording a
    // project names. An alert (title, text) when it cannot be opened.
    struct Alert {
        QString title;
        QString text;
    };
    static std::variant<VideoEditorTarget, Alert> targetFor(const QString& path);

    // Opens `target`: reads its project when there is one (a damaged project is shown as an
    // alert and never overwritten: autosave stays off), probes the source and starts the player.
    VideoEditorWindow(VideoEditorServices services, VideoEditorTarget target, QWidget* parent = nullptr);
    ~VideoEditorWindow() override;

    const VideoEditorTarget& target() const { return target_; }
    VideoEditorVM* vm() const { return vm_.get(); }
    VideoPlayer* player() const { return player_.get(); }
    VideoTimelineView* timeline() const { return timeline_; }
    VideoTimelineStrips* strips() const { return strips_.get(); }
    VideoInspector* inspector() const { return inspector_; }
    VideoPictureView* pictureView() const { return pictureView_; }
    QLabel* statusLabel() const { return status_; }
    // Empty when the editor opened; else why not (already shown in an alert).
    const QString& openError() const { return openError_; }

    // Export to `destination` (the menu asks for it first); answers at once, the sheet shows the
    // progress. `done` (may be null) gets whether a file was written.
    void exportVideo(const QString& destination, std::function<void(bool)> done = {});
    void exportGif(const QString& destination, const GifExportOptions& options,
                   std::function<void(bool)> done = {});
    bool isExporting() const { return exporting_; }
    // Export as GIF...: the options, then the destination, then the export.
    void chooseGifDestination();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildUi();
    void refreshStatus();
    void refreshTransport();
    void alert(const QString& title, const QString& text);
    void chooseVideoDestination();
    std::optional<QString> askChapterTitle(const QString& current);
    // Runs `work` on a worker thread behind the progress sheet titled `title`.
    // What both exports start from: the source, its sidecars and the edit as it stands.
    VideoExportJob exportJob() const;
    void runExport(
        const QString& title,
        std::function<bool(const std::function<void(double)>&, const std::atomic<bool>&, QString*, bool*)>
            work,
        std::function<void(bool ok, bool cancelled, const QString& error)> finished);

    VideoEditorServices s_;
    VideoEditorTarget target_;
    std::unique_ptr<platform::Dialogs> dialogs_;
    // Why the project or the source did not open: shown over the window once it is up.
    std::optional<std::pair<QString, QString>> openAlert_;
    std::unique_ptr<VideoEditorVM> vm_;
    std::unique_ptr<VideoPlayer> player_;
    std::unique_ptr<VideoTimelineStrips> strips_;
    QString openError_;
    QString autosaveNote_;
    VideoPictureView* pictureView_ = nullptr;
    VideoTimelineView* timeline_ = nullptr;
    VideoInspector* inspector_ = nullptr;
    QSize sourceSize_;
    QPushButton* playButton_ = nullptr;
    QLabel* timeLabel_ = nullptr;
    QLabel* status_ = nullptr;
    bool exporting_ = false;
    std::shared_ptr<std::atomic<bool>> cancel_;
    QPointer<QThread> exportThread_;
};

} // namespace mebo
