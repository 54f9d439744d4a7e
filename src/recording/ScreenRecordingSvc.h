#pragma once

#include "platform/AudioCapture.h"
#include "platform/CameraCapture.h"
#include "platform/MediaProbe.h"
#include "platform/MediaWriter.h"
#include "platform/ScreenCapture.h"
#include "platform/ScreenFrameSource.h"
#include "recording/AudioLevelMeter.h"
#include "recording/CursorEffects.h"
#include "recording/CursorTelemetry.h"
#include "recording/RecordingCamera.h"
#include "recording/RecordingOptions.h"
#include "recording/RecordingSegmentTracker.h"
#include "recording/RecordingTimeline.h"

#include <QImage>
#include <QLockFile>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <thread>

namespace mebo {

namespace platform {
class PointerButtons;
class PointerLocator;
class ScreenCapture;
} // namespace platform

// What the recorder needs of the platform.
struct RecordingBackends {
    platform::ScreenCapture* screen = nullptr; // displays and windows
    platform::ScreenFrameSource* frames = nullptr;
    platform::AudioCapture* audio = nullptr; // null: recordings without sound
    std::function<std::unique_ptr<platform::MediaWriter>()> makeWriter;
    platform::MediaRemuxer* remuxer = nullptr; // turns the crash-safe file into a plain one
    platform::MediaProbe* probe = nullptr;     // the finished file's duration
    platform::PointerLocator* pointer = nullptr;
    platform::PointerButtons* buttons = nullptr; // null: clicks only from the pressed-button mask
    // Asked for when a recording uses the camera (its module is loaded then); null: no cameras.
    std::function<platform::CameraCapture*()> camera;
};

// Records a display, an area of one or a window's rectangle into an MPEG-4 file with system audio
// and the microphone, and the cursor's telemetry beside it. Owns the state machine, the writer
// pipeline, pause and resume, and the stop sequence that finishes and checks the file.
//
// While recording, the file is written crash-safe under an "unfinished" name in the destination
// folder (NAME.recording.mp4, with a lock file while this process owns it); a clean stop turns it
// into a plain fast-start MP4 at the destination. RecordingRecovery finds files left by a crash.
//
// Threads: the API, timers and observables on the main thread; frames on the stream's capture
// thread, system audio and the microphone on their own threads; the stop sequence's draining,
// finishing and remuxing on a worker ("rec.stop"), whose end comes back to the main thread.
class ScreenRecordingSvc : public QObject {
    Q_OBJECT
public:
    explicit ScreenRecordingSvc(RecordingBackends backends, QObject* parent = nullptr);
    ~ScreenRecordingSvc() override;

    // The configuration of the next start.
    RecordingOptions& options() { return options_; }
    const RecordingOptions& options() const { return options_; }

    // Starts recording `target` into `outputPath` (an .mp4). `done` runs on the main thread, after
    // this call returned, with nothing on success.
    void start(const RecordingTarget& target, const QString& outputPath,
               std::function<void(std::optional<RecordingError>)> done);
    void pause();
    void resume();
    // `done` runs on the main thread with the result (empty when there was nothing to stop).
    void stop(std::function<void(StopResult)> done);
    // A stop that comes after this much recording time (a timer that fired late) ends the
    // recording at exactly this time.
    void setDurationLimit(std::optional<double> seconds) { durationLimitSec_ = seconds; }

    RecordingState state() const { return state_; }
    // Elapsed recording time (paused time excluded) now.
    double elapsedSeconds() const;
    AudioLevelMeter& levels() { return levels_; }
    CursorTelemetry& telemetry() { return *telemetry_; }
    // A picture of the recording for its library thumbnail (null before the first frame).
    QImage thumbnail() const;
    // The recorded rectangle of the running (or last) recording in X11 root pixels: what the
    // panel and the region indicator keep out of.
    QRect recordedRect() const { return recordedRect_; }
    // The options of the running (or last) recording, with inputs that failed to start off.
    const RecordingOptions& activeOptions() const { return active_; }

    // The name the file has while it is being written.
    static QString unfinishedPathFor(const QString& outputPath);
    static constexpr const char* unfinishedSuffix = ".recording.mp4";

Q_SIGNALS:
    void stateChanged(mebo::RecordingState state);
    void elapsedSecondsChanged(double seconds);
    // Levels 0...1 about ten times a second while recording.
    void micLevelChanged(float level);
    void recordingAudioLevelChanged(float level);
    void systemAudioLevelChanged(float level);
    // A small picture of the camera, at most twelve times a second while it runs.
    void webcamPreviewChanged(const QImage& preview);
    // The screen stream stopped by itself (display gone).
    void streamFailed(const QString& error);

private:
    struct Geometry;
    void continueStart(const RecordingTarget& target, const QString& outputPath,
                       Result<platform::ShareableContent> content,
                       std::function<void(std::optional<RecordingError>)> done);
    std::optional<RecordingError> startPipeline(const Geometry& g, const QString& outputPath);
    bool startSystemAudio();
    bool startMicrophone();
    void abortStart();
    void setState(RecordingState state);
    void onVideoFrame(platform::ScreenFrame& frame);
    void onAudio(RecordingTimeline::AudioTrack source, const platform::AudioBuffer& buffer);
    double elapsedAt(int64_t nowNs) const;
    void publishLevels();

    // Runs on the stop worker; answers the main file, or nothing.
    struct Finished {
        std::optional<QString> mainPath;
        std::optional<QString> webcamPath;
        double durationSec = 0;
    };
    Finished finishFiles(int64_t stopAtNs);
    Finished finishMainFile(int64_t stopAtNs);
    bool startCamera(const QString& outputPath);

    RecordingBackends backends_;
    RecordingOptions options_;
    RecordingOptions active_;
    RecordingState state_ = RecordingState::idle;
    RecordingTimeline timeline_;
    RecordingSegmentTracker segments_;
    AudioLevelMeter levels_;
    std::unique_ptr<CursorTelemetry> telemetry_;
    CursorEffects::Enabled effects_;
    std::unique_ptr<RecordingCamera> camera_;

    // The pipeline: set on the main thread before capture starts, used by the sample threads while
    // it runs, taken down on the stop worker after they were joined.
    std::unique_ptr<platform::MediaWriter> writer_;
    std::unique_ptr<platform::ScreenFrameStream> stream_;
    std::unique_ptr<platform::AudioCaptureStream> systemAudio_;
    std::unique_ptr<platform::AudioCaptureStream> micAudio_;
    int systemTrack_ = -1;
    int micTrack_ = -1;
    bool singleAudioMode_ = false;
    QString outputPath_;
    QString unfinishedPath_;
    std::unique_ptr<QLockFile> unfinishedLock_;
    QSize outputSize_;
    int fps_ = 15;
    QString codecName_;

    // Wall-clock bookkeeping (main thread), monotonic nanoseconds.
    std::optional<int64_t> recordingStartNs_;
    int64_t pausedAccumulatorNs_ = 0;
    std::optional<int64_t> lastPauseNs_;
    QTimer durationTimer_;
    QTimer levelTimer_;
    QRect recordedRect_;

    mutable std::mutex thumbnailLock_; // leaf
    QImage thumbnail_;
    int64_t thumbnailAtNs_ = -1;

    std::thread stopWorker_;
    std::optional<double> durationLimitSec_;
};

} // namespace mebo
