#pragma once

#include "platform/VideoFrameGenerator.h"
#include "video/CursorTelemetryFile.h"
#include "video/VideoEnums.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QTimer>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace mebo {

class VideoAudioPlayback;
class VideoEditorVM;
class VideoFrameCompositor;
struct VideoExportPlan;

// The video editor's player: shows the output composition (crop, canvas, annotations, trail,
// ripples, chapter bar) of the edit at the playhead and plays the edit at its speeds, jumping over
// cuts and stopping at the end. The playhead is the view-model's; whoever moves it (a seek, the
// timeline) gets its picture. Frames are decoded and composed on one worker thread; only the
// newest request is kept, and a result whose generation is no longer the newest is dropped, so a
// fast scrub never queues work or shows a stale picture. Requests and results cross between the
// threads only under std::mutex (results through runOnMain), and a preview the worker is done with
// goes back to the main thread to be destroyed there: the preview shares its lists with the edit,
// which the main thread changes in place once it holds the only reference. Main thread API.
class VideoPlayer : public QObject {
    Q_OBJECT
public:
    struct Source {
        QString path;
        QSize size;                      // the video's display size
        std::optional<double> frameRate; // frames per second; 30 when unknown
        QString assetFolder;             // where image annotations are found
        std::optional<CursorTelemetryFile> telemetry;
        std::optional<QString> webcamPath; // the webcam recording beside the video
    };
    // The decoded pictures are at most this size (the preview never renders larger).
    static constexpr QSize kDecodeLimit{1920, 1080};
    static constexpr int kPreviewHeight = 720;
    // The webcam's pictures are at most this size (it never covers the whole preview).
    static constexpr QSize kWebcamDecodeLimit{1280, 720};

    // `frames` is opened here; when it cannot be, `error()` says why and nothing is shown.
    // `webcamFrames` decodes `source.webcamPath` beside the video, laid over it as the export
    // does; when it cannot be opened the preview goes on without the webcam.
    VideoPlayer(VideoEditorVM& vm, std::unique_ptr<platform::VideoFrameGenerator> frames, Source source,
                QObject* parent = nullptr,
                std::unique_ptr<platform::VideoFrameGenerator> webcamFrames = nullptr);
    // Stops the worker (waits for the frame it is on).
    ~VideoPlayer() override;

    bool isOpen() const { return opened_; }
    bool hasWebcam() const { return webcamOpened_; }
    const QString& error() const { return error_; }
    const QImage& picture() const { return picture_; }
    // The source time of the picture shown (while scrubbing, that of a nearby key frame until the
    // exact frame arrives).
    double pictureTime() const { return pictureTime_; }
    double frameDuration() const;
    // The size of the composed picture (the output frame at preview scale).
    QSize outputSize() const;
    // Where the video lies in the composed picture (annotation fractions are of this rectangle).
    QRectF videoRect() const;

    bool isPlaying() const { return playing_; }
    // From the playhead; at the end from the start; inside a cut from the cut's end.
    void play();
    void pause();
    void togglePlay();
    // Moves the playhead (kept within the video); playing goes on from there.
    void seek(double t);
    // Pauses and moves by `frames` frames of the source.
    void stepFrames(int frames);
    // One step of the playback clock: `elapsedSec` of wall time at the speed in effect, then the
    // jump over a cut or the stop at the end. The timer calls it while playing.
    void advance(double elapsedSec);

    void setChapterStyle(VideoChapterDisplayStyle style);
    // While the crop is drawn the picture shows the whole source frame in its place (videoRect()
    // is then the whole frame), the rest of the composition as it is.
    void setCropEditing(bool on);
    bool isCropEditing() const { return cropEditing_; }
    // The sound heard while playing: started with play() from the playhead, restarted on a seek,
    // an edit or when it drifts from the picture, stopped with pause(). Null: silent.
    void setAudio(std::unique_ptr<VideoAudioPlayback> audio);
    VideoAudioPlayback* audio() const { return audio_.get(); }
    // Restarts the sound from the playhead when what is heard is more than `kAudioDriftSec` off
    // the picture (the timer calls it while playing, at most once per `kAudioSettleMs`).
    void syncAudio();
    static constexpr double kAudioDriftSec = 0.12;
    static constexpr int kAudioSettleMs = 1000;
    // Requests handed to the worker (each one a new generation).
    quint64 generation() const { return generation_; }

Q_SIGNALS:
    void pictureChanged();
    void playingChanged(bool playing);

private:
    struct Preview; // a compositor with its plan, immutable once made
    struct Request {
        quint64 generation = 0;
        double time = 0;
        std::shared_ptr<const Preview> preview;
        bool quickFirst = false; // show a nearby key frame before the exact frame (not playing)
    };

    // The worker's newest picture, waiting for the main thread.
    struct Delivery {
        quint64 generation = 0;
        QImage picture;
        double time = 0;
    };
    struct Inbox {
        std::mutex mutex;
        std::optional<Delivery> newest; // guarded by mutex
        VideoPlayer* player = nullptr;  // main thread only; null once the player is gone
    };

    void rebuildPreview();
    void request();
    void post(Delivery delivery);
    void takeDelivery();
    void deliver(quint64 generation, const QImage& picture, double time);
    void workerLoop();
    QImage compose(const Request& r, QString* error);
    QImage composeFrame(const Request& r, const QImage& frame, bool quick) const;
    QImage webcamFrame(const Preview& p, double sourceTime, double outputTime, bool quick) const;
    bool newerPending();
    void tick();
    void startAudio();

    VideoEditorVM& vm_;
    std::unique_ptr<platform::VideoFrameGenerator> frames_; // the worker's once it runs
    std::unique_ptr<platform::VideoFrameGenerator> webcam_; // the worker's once it runs
    bool webcamOpened_ = false;
    Source source_;
    bool opened_ = false;
    QString error_;
    VideoChapterDisplayStyle chapterStyle_ = VideoChapterDisplayStyle::titles;
    bool cropEditing_ = false;
    std::shared_ptr<const Preview> preview_;

    QImage picture_;
    double pictureTime_ = -1;
    quint64 generation_ = 0;
    bool playing_ = false;
    QTimer timer_;
    QElapsedTimer clock_;
    std::unique_ptr<VideoAudioPlayback> audio_;
    double audioOutputStart_ = 0; // the output time the sound started at
    QElapsedTimer audioSince_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Request> pending_; // guarded by mutex_
    bool stop_ = false;              // guarded by mutex_
    // Previews the worker has finished with, destroyed on the main thread; guarded by mutex_.
    std::vector<std::shared_ptr<const Preview>> retired_;
    const std::shared_ptr<Inbox> inbox_ = std::make_shared<Inbox>();
    std::thread worker_;
};

} // namespace mebo
