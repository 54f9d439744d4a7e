#include "main/MediaModules.h"

#include "app/AppLogger.h"
#include "main/MediaProbeModule.h"
#include "main/ModuleLoader.h"

namespace mebo {

namespace {

const QString kFfmpegModule = QStringLiteral("libmebo_platform_ffmpeg.so");

// Stands in for the remuxer when the FFmpeg module is missing: every call fails with why.
class MissingRemuxer : public platform::MediaRemuxer {
public:
    explicit MissingRemuxer(QString reason) : reason_(std::move(reason)) {}
    bool copy(const QString&, const QString&, double, std::optional<double>, QString* error) override {
        return fail(error, false);
    }
    QImage frameAt(const QString&, double, QString* error) override { return fail(error, QImage()); }

private:
    template <class T> T fail(QString* error, T value) {
        if (error) {
            *error = reason_;
        }
        return value;
    }
    QString reason_;
};

} // namespace

MediaModules::MediaModules() = default;
MediaModules::~MediaModules() = default;

std::unique_ptr<platform::MediaWriter> MediaModules::makeWriter() {
    using Factory = platform::MediaWriter* (*)();
    QString reason;
    if (auto create = reinterpret_cast<Factory>(
            resolveModuleFactory(kFfmpegModule, "mebo_create_media_writer", &reason))) {
        return std::unique_ptr<platform::MediaWriter>(create());
    }
    error_ = QStringLiteral("media module not loaded: ") + reason;
    return nullptr;
}

platform::MediaRemuxer& MediaModules::remuxer() {
    if (!remuxer_) {
        using Factory = platform::MediaRemuxer* (*)();
        QString reason;
        if (auto create = reinterpret_cast<Factory>(
                resolveModuleFactory(kFfmpegModule, "mebo_create_media_remuxer", &reason))) {
            remuxer_.reset(create());
        } else {
            remuxer_ = std::make_unique<MissingRemuxer>(QStringLiteral("media module not loaded: ") + reason);
        }
    }
    return *remuxer_;
}

platform::MediaProbe& MediaModules::probe() {
    if (!probe_) {
        probe_ = loadMediaProbe();
    }
    return *probe_;
}

platform::AudioCapture* MediaModules::audio() {
    if (!audioTried_) {
        audioTried_ = true;
        using Factory = platform::AudioCapture* (*)();
        QString reason;
        if (auto create = reinterpret_cast<Factory>(resolveModuleFactory(
                QStringLiteral("libmebo_platform_pulse.so"), "mebo_create_audio_capture", &reason))) {
            audio_.reset(create());
        } else {
            logWarning(QStringLiteral("[Recording] sound module not loaded: ") + reason);
        }
    }
    return audio_.get();
}

platform::CameraCapture* MediaModules::camera() {
    if (!cameraTried_) {
        cameraTried_ = true;
        using Factory = platform::CameraCapture* (*)();
        QString reason;
        if (auto create = reinterpret_cast<Factory>(resolveModuleFactory(
                QStringLiteral("libmebo_platform_camera.so"), "mebo_create_camera_capture", &reason))) {
            camera_.reset(create());
        } else {
            logWarning(QStringLiteral("[Recording] camera module not loaded: ") + reason);
        }
    }
    return camera_.get();
}

} // namespace mebo
