#include "platform/ffmpeg/FfmpegError.h"

extern "C" {
#include <libavutil/error.h>
}

namespace mebo::platform {

QString ffmpegErrorText(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

} // namespace mebo::platform
