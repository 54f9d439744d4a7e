#include "recording/RecordingInputPreview.h"

#include "app/AppLogger.h"
#include "platform/AudioCapture.h"
#include "platform/CameraCapture.h"
#include "platform/MonotonicClock.h"

#include <QMetaObject>
#include <utility>

namespace mebo {

namespace {

double uptimeSec() {
    return double(platform::monotonicNowNs()) / 1e9;
}

} // namespace

RecordingInputPreview::RecordingInputPreview(platform::AudioCapture* audio,
                                             std::function<platform::CameraCapture*()> camera,
                                             QObject* parent)
    : QObject(parent), audio_(audio), camera_(std::move(camera)) {
    levelTimer_.setInterval(levelIntervalMs);
    connect(&levelTimer_, &QTimer::timeout, this, &RecordingInputPreview::publishLevels);
}

RecordingInputPreview::~RecordingInputPreview() {
    // The threads end before the members they write go away.
    for (auto* stream : {systemStream_.get(), micStream_.get()}) {
        if (stream) {
            stream->stop();
        }
    }
    if (cameraStream_) {
        cameraStream_->stop();
    }
}

void RecordingInputPreview::apply(const RecordingPanelConfiguration& config) {
    running_ = true;
    std::optional<QString> system;
    if (config.systemAudioOn && audio_) {
        if (auto monitor = audio_->systemAudioSource()) {
            system = monitor.value();
        }
    }
    openAudio(system, AudioLevelMeter::Source::system);
    openAudio(config.microphoneOn ? microphoneFor(config.selectedMicDeviceId) : std::nullopt,
              AudioLevelMeter::Source::mic);
    openCamera(config.webcamOn ? cameraFor(config.selectedCameraDeviceId) : std::nullopt);
    if (!levelTimer_.isActive()) {
        levelTimer_.start();
    }
    publishLevels();
}

void RecordingInputPreview::stop() {
    if (!running_) {
        return;
    }
    openAudio(std::nullopt, AudioLevelMeter::Source::system);
    openAudio(std::nullopt, AudioLevelMeter::Source::mic);
    openCamera(std::nullopt);
    levelTimer_.stop();
    running_ = false;
    meter_.reset();
    Q_EMIT levelsChanged(0, 0);
}

std::optional<QString> RecordingInputPreview::microphoneFor(const std::optional<QString>& selected) {
    if (!audio_) {
        return std::nullopt;
    }
    if (selected) {
        if (auto sources = audio_->sources()) {
            for (const auto& s : sources.value()) {
                if (!s.isMonitor && s.name == *selected) {
                    return s.name;
                }
            }
        }
    }
    // A microphone that is gone: the default one, as the recording will use.
    if (auto input = audio_->defaultInputSource()) {
        return input.value();
    }
    return std::nullopt;
}

std::optional<QString> RecordingInputPreview::cameraFor(const std::optional<QString>& selected) {
    platform::CameraCapture* camera = camera_ ? camera_() : nullptr;
    if (!camera) {
        return std::nullopt;
    }
    if (selected && selected->startsWith(QLatin1String(platform::CameraCapture::filePrefix))) {
        return selected;
    }
    if (selected) {
        if (auto devices = camera->devices()) {
            for (const auto& d : devices.value()) {
                if (d.uniqueId == *selected) {
                    return selected;
                }
            }
        }
    }
    if (auto fallback = camera->defaultDevice()) {
        return fallback.value();
    }
    return std::nullopt;
}

void RecordingInputPreview::openAudio(const std::optional<QString>& wanted, AudioLevelMeter::Source which) {
    const bool system = which == AudioLevelMeter::Source::system;
    QString& current = system ? systemSource_ : micSource_;
    std::unique_ptr<platform::AudioCaptureStream>& stream = system ? systemStream_ : micStream_;
    if (wanted.value_or(QString()) == current && (stream || current.isEmpty())) {
        return;
    }
    if (stream) {
        stream->stop();
        stream.reset();
    }
    current.clear();
    if (!wanted || !audio_) {
        return;
    }
    auto opened =
        audio_->open(*wanted, system ? QStringLiteral("rec.level.sys") : QStringLiteral("rec.level.mic"),
                     [this, which](const platform::AudioBuffer& buffer) {
                         meter_.update(which,
                                       AudioLevelMeter::levelOf(
                                           buffer.samples, buffer.frames * platform::AudioCapture::channels),
                                       uptimeSec());
                     });
    if (!opened) {
        logWarning(QStringLiteral("[RecordingPreview] 音量預覽無法開啟 ") + *wanted + QStringLiteral(": ") +
                   opened.error());
        return;
    }
    stream = std::move(opened.value());
    current = *wanted;
}

void RecordingInputPreview::openCamera(const std::optional<QString>& wanted) {
    if (wanted.value_or(QString()) == cameraSource_ && (cameraStream_ || cameraSource_.isEmpty())) {
        return;
    }
    if (cameraStream_) {
        cameraStream_->stop();
        cameraStream_.reset();
    }
    cameraSource_.clear();
    const int generation = ++cameraGeneration_;
    if (!wanted) {
        return;
    }
    platform::CameraCapture* camera = camera_ ? camera_() : nullptr;
    if (!camera) {
        return;
    }
    lastPreviewNs_ = 0;
    auto onFrame = [this, generation](const platform::CameraFrame& frame) {
        const int64_t last = lastPreviewNs_.load();
        if (last != 0 && frame.ptsNs - last < 1'000'000'000LL / previewRate && frame.ptsNs >= last) {
            return;
        }
        lastPreviewNs_ = frame.ptsNs;
        const QImage picture = frame.image.width() > previewWidth
                                   ? frame.image.scaledToWidth(previewWidth, Qt::SmoothTransformation)
                                   : frame.image;
        QMetaObject::invokeMethod(
            this,
            [this, picture, generation] {
                if (generation == cameraGeneration_.load() && cameraStream_) {
                    if (std::exchange(firstPictureDue_, false)) {
                        logInfo(QStringLiteral("[RecordingPreview] 攝影機預覽已顯示 ") + cameraSource_);
                    }
                    Q_EMIT previewChanged(picture);
                }
            },
            Qt::QueuedConnection);
    };
    auto onError = [this, generation](const QString& error) {
        QMetaObject::invokeMethod(
            this,
            [generation, error, this] {
                if (generation == cameraGeneration_.load()) {
                    logWarning(QStringLiteral("[RecordingPreview] 攝影機預覽中斷: ") + error);
                }
            },
            Qt::QueuedConnection);
    };
    auto opened =
        camera->open(*wanted, QStringLiteral("rec.preview"), std::move(onFrame), std::move(onError));
    if (!opened) {
        logWarning(QStringLiteral("[RecordingPreview] 攝影機預覽無法開啟 ") + *wanted + QStringLiteral(": ") +
                   opened.error());
        return;
    }
    cameraStream_ = std::move(opened.value());
    cameraSource_ = *wanted;
    firstPictureDue_ = true;
}

void RecordingInputPreview::publishLevels() {
    const double now = uptimeSec();
    Q_EMIT levelsChanged(systemStream_ ? meter_.level(AudioLevelMeter::Source::system, now) : 0.0f,
                         micStream_ ? meter_.level(AudioLevelMeter::Source::mic, now) : 0.0f);
}

} // namespace mebo
