#pragma once

#include "recording/AudioLevelMeter.h"
#include "recording/RecordingPanelConfiguration.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace mebo {

namespace platform {
class AudioCapture;
class AudioCaptureStream;
class CameraCapture;
class CameraStream;
} // namespace platform

// The inputs as the recording panel shows them before a recording starts: the level of the
// system audio and of the microphone, and the camera's picture, each only while its switch is on.
// The recorder opens the same devices when it starts, so the preview is stopped first.
//
// Threads: the API and the signals on the main thread; audio buffers on "rec.level.sys" and
// "rec.level.mic" (they write the meter, under its leaf lock), camera frames on "rec.preview",
// which hands at most twelve pictures a second to the main thread. stop() joins them all.
class RecordingInputPreview : public QObject {
    Q_OBJECT
public:
    // How often the levels are published (the meter forgets a level after 0.18 s).
    static constexpr int levelIntervalMs = 50;
    static constexpr int previewRate = 12;
    // The preview pictures are made at most this wide (the panel shows them small).
    static constexpr int previewWidth = 320;

    RecordingInputPreview(platform::AudioCapture* audio, std::function<platform::CameraCapture*()> camera,
                          QObject* parent = nullptr);
    ~RecordingInputPreview() override;

    // Opens what `config` switches on and closes the rest; a device already open for the same
    // source stays open.
    void apply(const RecordingPanelConfiguration& config);
    // Closes every input; no level or picture is announced after it returned.
    void stop();
    bool running() const { return running_; }

    // The sources open now (empty: none): a PulseAudio source name or a camera id.
    QString systemSource() const { return systemSource_; }
    QString microphoneSource() const { return micSource_; }
    QString cameraSource() const { return cameraSource_; }

Q_SIGNALS:
    void levelsChanged(float systemAudio, float microphone);
    void previewChanged(const QImage& picture);

private:
    void openAudio(const std::optional<QString>& wanted, AudioLevelMeter::Source which);
    void openCamera(const std::optional<QString>& wanted);
    std::optional<QString> microphoneFor(const std::optional<QString>& selected);
    std::optional<QString> cameraFor(const std::optional<QString>& selected);
    void publishLevels();

    platform::AudioCapture* audio_;
    std::function<platform::CameraCapture*()> camera_;
    bool running_ = false;
    QString systemSource_;
    QString micSource_;
    QString cameraSource_;
    bool firstPictureDue_ = false; // the first picture of an opening is logged
    std::unique_ptr<platform::AudioCaptureStream> systemStream_;
    std::unique_ptr<platform::AudioCaptureStream> micStream_;
    std::unique_ptr<platform::CameraStream> cameraStream_;
    AudioLevelMeter meter_;
    QTimer levelTimer_;
    // Raised by each camera opening: pictures of an older one are dropped on arrival.
    std::atomic<int> cameraGeneration_{0};
    std::atomic<int64_t> lastPreviewNs_{0}; // the camera thread's (one at a time)
};

} // namespace mebo
