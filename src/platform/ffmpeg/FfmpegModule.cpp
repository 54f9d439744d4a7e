#include "platform/ffmpeg/FfmpegMediaProbe.h"

extern "C" {
#include <libavutil/log.h>
}

// FFmpeg is a module the application loads when it first needs media facts (or encodes), so that
// start-up does not pay for loading libavformat and its codecs. One factory per service.
extern "C" __attribute__((visibility("default"))) mebo::platform::MediaProbe* mebo_create_media_probe() {
    // Damaged files are reported through the probe's error, not on the terminal.
    av_log_set_level(AV_LOG_QUIET);
    return new mebo::platform::FfmpegMediaProbe();
}
