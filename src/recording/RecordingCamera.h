#pragma once

#include "platform/CameraCapture.h"
#include "platform/MediaWriter.h"
#include "recording/RecordingTimeline.h"
#include "recording/RecordingTypes.h"
#include "recording/WebcamPip.h"

#include <QImage>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace mebo {

// A recording's camera: capture from the chosen device (the default camera when it is gone), the
// newest frame for the picture-in-picture drawn into the screen video, the preview, and the
// separate webcam file ("NAME.webcam.mp4") on the recording's adjusted timeline.
//
// Threads: start, stop and finishing on the recorder's threads in turn (never at once); frames on
// the camera's thread, which also writes the separate file; the picture-in-picture on the video
// thread. The newest frame is shared under `cameraLock_` (a leaf).
class RecordingCamera {
public:
    struct Config {
        std::optional<QString> deviceId; // a unique id, or "file:PATH"; nothing: the default camera
        bool separateFile = true;
        QString separatePath; // NAME.webcam.mp4
        VideoCodec codec = VideoCodec::h264;
        double scale = 0.2;
        WebcamPosition position = WebcamPosition::bottomRight;
    };
    using WriterFactory = std::function<std::unique_ptr<platform::MediaWriter>()>;

    RecordingCamera(RecordingTimeline& timeline, WriterFactory makeWriter);
    ~RecordingCamera();

    // At most twelve times a second, on the camera's thread: a small picture of the newest frame.
    void setPreviewHandler(std::function<void(const QImage&)> handler) { onPreview_ = std::move(handler); }

    // Starts capture; false (with the reason logged) when the recording goes on without a camera.
    bool start(platform::CameraCapture* capture, const Config& config);
    // Draws the newest camera frame into a screen frame when the camera goes into the video;
    // answers the pixels drawn over.
    QRect compositeInto(QImage& frame);
    // Stops capture; no frame arrives after it returned.
    void stop();
    // After stop(): finishes the separate file when the main file came out (`mainFileOk`), else
    // drops it. Its path when there is one.
    std::optional<QString> finishSeparateFile(bool mainFileOk);
    // A start that failed later: capture stopped and the separate file removed.
    void abandon();

    // Frames per second at which the preview is published at most.
    static constexpr int previewRate = 12;

private:
    void onFrame(const platform::CameraFrame& frame);
    void writeSeparate(const platform::CameraFrame& frame);
    bool createWriter(QSize cameraSize);

    RecordingTimeline& timeline_;
    WriterFactory makeWriter_;
    std::function<void(const QImage&)> onPreview_;
    Config config_;
    std::unique_ptr<platform::CameraStream> stream_;
    bool pipActive_ = false; // set before the screen stream starts
    bool started_ = false;

    std::mutex cameraLock_; // leaf
    QImage latestCameraFrame_;
    WebcamPip pip_; // video thread only

    // The camera thread's own, then the finishing thread's once capture has stopped.
    int64_t lastWebcamPreviewEmissionNs_ = 0;
    std::unique_ptr<platform::MediaWriter> writer_;
    QSize writerSize_;
    bool writerAbandoned_ = false;
    bool webcamSessionStarted_ = false;
};

} // namespace mebo
