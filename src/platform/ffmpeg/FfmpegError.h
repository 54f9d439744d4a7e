#pragma once

#include <QString>

namespace mebo::platform {

// av_strerror's text for an FFmpeg error code.
QString ffmpegErrorText(int code);

} // namespace mebo::platform
