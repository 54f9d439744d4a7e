#pragma once

#include "platform/AudioCapture.h"
#include "platform/CameraCapture.h"
#include "platform/MediaProbe.h"
#include "platform/MediaWriter.h"

#include <QString>
#include <functional>
#include <memory>

namespace mebo {

// The media services of this process, from their shared modules (loaded on first use, beside the
// executable in a build tree or from lib/mebo when installed): the FFmpeg module's writer,
// remuxer and probe, the PulseAudio module's audio capture. When a module cannot be loaded, its services
// fail with the reason.
class MediaModules {
public:
    MediaModules();
    ~MediaModules();

    // A new writer, or null (the reason in `lastError()`).
    std::unique_ptr<platform::MediaWriter> makeWriter();
    platform::MediaRemuxer& remuxer();
    platform::MediaProbe& probe();
    // Null when the sound module cannot be loaded.
    platform::AudioCapture* audio();
    // Null when the camera module cannot be loaded.
    platform::CameraCapture* camera();
    QString lastError() const { return error_; }

private:
    QString error_;
    std::unique_ptr<platform::MediaRemuxer> remuxer_;
    std::shared_ptr<platform::MediaProbe> probe_;
    std::unique_ptr<platform::AudioCapture> audio_;
    bool audioTried_ = false;
    std::unique_ptr<platform::CameraCapture> camera_;
    bool cameraTried_ = false;
};

} // namespace mebo
