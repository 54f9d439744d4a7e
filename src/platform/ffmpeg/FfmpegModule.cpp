#include "platform/ffmpeg/FfmpegFrameGenerator.h"
#include "platform/ffmpeg/FfmpegMediaProbe.h"
#include "platform/ffmpeg/FfmpegMediaWriter.h"
#include "platform/ffmpeg/FfmpegRemuxer.h"
#include "platform/ffmpeg/FfmpegVideoComposer.h"

extern "C" {
#include <libavutil/log.h>
}

// FFmpeg is a module the application loads when it first needs media facts, records or copies
// video, so that start-up does not pay for loading libavformat and its codecs. One factory per
// service.
namespace {
// Damaged files and encoder trouble are reported through each service's errors, not on the
// terminal.
void quietLibraries() {
    av_log_set_level(AV_LOG_QUIET);
}
} // namespace

extern "C" __attribute__((visibility("default"))) mebo::platform::MediaProbe* mebo_create_media_probe() {
    quietLibraries();
    return new mebo::platform::FfmpegMediaProbe();
}

extern "C" __attribute__((visibility("default"))) mebo::platform::MediaWriter* mebo_create_media_writer() {
    quietLibraries();
    return new mebo::platform::FfmpegMediaWriter();
}

extern "C" __attribute__((visibility("default"))) mebo::platform::MediaRemuxer* mebo_create_media_remuxer() {
    quietLibraries();
    return new mebo::platform::FfmpegRemuxer();
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
