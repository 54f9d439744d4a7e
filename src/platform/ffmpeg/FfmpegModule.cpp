#include "platform/ffmpeg/FfmpegFrameGenerator.h"
#include "platform/ffmpeg/FfmpegMediaProbe.h"
#include "platform/ffmpeg/FfmpegMediaWriter.h"
#include "platform/ffmpeg/FfmpegRemuxer.h"
#include "platform/ffmpeg/FfmpegVideoComposer.h"

#include <malloc.h>

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
// Exports allocate and free a frame-sized picture several times per frame. By default glibc maps
// each one afresh and returns it on free, so every frame paid hundreds of page faults: 18 % of an
// export's CPU time. Kept in the heap instead (up to 32 MB a block, 64 MB free before it is given
// back), the same few blocks are reused.
void keepFrameMemory() {
    static const bool once = [] {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
        return true;
    }();
    (void)once;
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
    keepFrameMemory();
    return new mebo::platform::FfmpegVideoComposer();
}

extern "C" __attribute__((visibility("default"))) mebo::platform::VideoFrameGenerator*
mebo_create_frame_generator() {
    quietLibraries();
    keepFrameMemory();
    return new mebo::platform::FfmpegFrameGenerator();
}

#include "platform/ffmpeg/FfmpegEditedAudio.h"

extern "C" __attribute__((visibility("default"))) mebo::platform::EditedAudioSource*
mebo_create_edited_audio() {
    quietLibraries();
    return new mebo::platform::FfmpegEditedAudio();
}
