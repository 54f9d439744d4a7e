#pragma once

#include "video/MeboVideoDocument.h"
#include "video/MeboVideoDocumentError.h"
#include "video/TrackRegions.h"
#include "video/VideoChapters.h"
#include "video/VideoOutputSize.h"
#include "video/VideoTimeline.h"

#include <QByteArray>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

namespace mebo::fuzz {

// One fuzz input: a .mebo-video file. Reading may refuse anything, but whatever it accepts must
// write back and read again to the same bytes, and the derived views over it must hold their
// invariants (kept ranges ordered inside the source, a contiguous time map, tiled chapters).
// Answers what broke, or an empty string.
inline std::string runVideoDocumentFuzzInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    MeboVideoDocument doc;
    try {
        doc = MeboVideoDocument::fromJson(bytes);
    } catch (const MeboVideoDocumentError&) {
        return {};
    }
    const QByteArray json = doc.toJson();
    try {
        const MeboVideoDocument back = MeboVideoDocument::fromJson(json);
        if (back.toJson() != json) {
            return "project changed on its second round trip";
        }
    } catch (const std::exception& e) {
        return std::string("written project does not read back: ") + e.what();
    }

    // The derived views over a duration taken from the input itself.
    const VideoSnapshot& e = doc.edit;
    const double duration = size % 2 ? 60.0 : double(size % 997) / 7.0;
    const auto cuts = VideoTimeline::effectiveCuts(e.trimRegions, e.recordingSegments, duration);
    const auto kept = VideoTimeline::keptRanges(cuts, duration);
    double last = 0;
    for (const TimeRange& r : kept) {
        if (!(r.start >= last && r.end >= r.start && r.end <= duration)) {
            return "kept ranges out of order or outside the source";
        }
        last = r.end;
    }
    const auto map = VideoTimeline::timeMap(kept, e.speedRegions);
    double comp = 0;
    for (const VideoExportTimeMapSegment& s : map) {
        if (std::abs(s.compStart - comp) > 1e-6 * (1 + comp) || !(s.compDuration > 0) || !(s.speed > 0)) {
            return "time map is not contiguous";
        }
        comp = s.compStart + s.compDuration;
    }
    const auto chapters = VideoChapters::tiled(e.chapterSegments, duration);
    for (qsizetype i = 0; i + 1 < chapters.size(); ++i) {
        if (chapters[i].endSec != chapters[i + 1].startSec) {
            return "tiled chapters leave a gap";
        }
    }
    TrackRegions::merged(e.micMuteRegions, duration);
    TrackRegions::sanitizedSegments(e.recordingSegments, duration);
    const QSize out = VideoOutputSize::renderSize(QSizeF(1920, 1080), e);
    if (out.width() < 1 || out.height() < 1) {
        return "empty output size";
    }
    return {};
}

} // namespace mebo::fuzz
