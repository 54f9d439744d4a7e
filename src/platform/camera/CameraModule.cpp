#include "platform/camera/V4l2Cameras.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavutil/log.h>
}

// Cameras are a module of their own, loaded when a recording uses one: libavdevice brings the
// device libraries no other command needs.
extern "C" __attribute__((visibility("default"))) mebo::platform::CameraCapture*
mebo_create_camera_capture() {
    av_log_set_level(AV_LOG_QUIET);
    avdevice_register_all();
    return new mebo::platform::V4l2CameraCapture();
}
