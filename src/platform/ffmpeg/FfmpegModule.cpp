#include "platform/ffmpeg/FfmpegFrameGenerator.h"
#include "platform/ffmpeg/FfmpegMediaProbe.h"
#include "platform/ffmpeg/FfmpegMediaWriter.h"
#include "platform/ffmpeg/FfmpegRemuxer.h"
#include "platform/ffmpeg/FfmpegVideoComposer.h"

extern "C" {
#include <libavutil/log.h>
}

// The media backend is a module loaded on first use: FFmpeg's libraries and the codecs they pull
// in cost nothing to commands that never record or read video. One entry point per service.
namespace {
void quietLibraries() {
    // Encoders report to the log on their own; the recorder reports what matters in its log.
    static const bool once = [] {
        av_log_set_level(AV_LOG_ERROR);
        return true;
    }();
    (void)once;
}
} // namespace

extern "C" __attribute__((visibility("default"))) mebo::platform::MediaWriter* mebo_create_media_writer() {
    quietLibraries();
    return new mebo::platform::FfmpegMediaWriter();
}

extern "C" __attribute__((visibility("default"))) mebo::platform::MediaRemuxer* mebo_create_media_remuxer() {
    quietLibraries();
    return new mebo::platform::FfmpegRemuxer();
}

extern "C" __attribute__((visibility("default"))) mebo::platform::MediaProbe* mebo_create_media_probe() {
    // Damaged files are reported through the probe's error, not on the terminal.
    av_log_set_level(AV_LOG_QUIET);
    return new mebo::platform::FfmpegMediaProbe();
}

extern "C" __attribute__((visibility("default"))) mebo::platform::VideoComposer*
mebo_create_video_composer() {
    quietLibraries();
    return new mebo::platform::FfmpegVideoComposer();
}

extern "C" __attribute__((visibility("default"))) mebo::platform::VideoFrameGenerator*
mebo_create_frame_generator() {
    quietLibraries();
    return new mebo::platform::FfmpegFrameGenerator();
}
