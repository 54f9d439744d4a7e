#pragma once

#include "platform/MediaWriter.h"

namespace mebo::platform {

// Stream copies through libavformat (no re-encoding): a crash-safe recording becomes
// a plain fast-start MP4, a trim keeps the packets of a time range from the key frame at or before
// its start. Any thread; each call stands alone.
class FfmpegRemuxer : public MediaRemuxer {
public:
    bool copy(const QString& source, const QString& destination, double startSec,
              std::optional<double> endSec, QString* error) override;
    QImage frameAt(const QString& path, double atSec, QString* error) override;
};

} // namespace mebo::platform
