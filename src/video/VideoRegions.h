#pragma once

#include "video/VideoEnums.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QUuid>
#include <array>
#include <optional>

namespace mebo {

// The timed edit decisions of a video project. Times are seconds on the source timeline.

// A colour as stored in a video project: red, green, blue, alpha in 0...1. Kept as the list the
// file holds (normally four numbers) so that a project reads and writes back unchanged.
using ColorRGBA = QList<double>;

// Four components from a stored list: the list's numbers replace the defaults' in order
// (red, green, blue, alpha); missing ones keep the defaults.
std::array<double, 4> rgbaComponents(const ColorRGBA& stored, const std::array<double, 4>& defaults);

// A stretch of the source cut out of the output.
struct TrimRegion {
    QUuid id;
    double startSec = 0;
    double endSec = 0;
    bool operator==(const TrimRegion&) const = default;
};

// A stretch played at another rate (2 = twice as fast); a speed of 0 or less has no effect.
struct SpeedRegion {
    QUuid id;
    double startSec = 0;
    double endSec = 0;
    double speed = 1;
    bool operator==(const SpeedRegion&) const = default;
};

// A stretch where one track is silenced or hidden (system audio, microphone, webcam).
struct TrackDisabledRegion {
    QUuid id;
    double startSec = 0;
    double endSec = 0;
    bool operator==(const TrackDisabledRegion&) const = default;
};

// A stretch recorded between two pauses. A disabled segment is cut exactly like a trim.
struct RecordingSegment {
    QUuid id;
    double startSec = 0;
    double endSec = 0;
    bool isEnabled = true;
    std::optional<QString> title;
    bool operator==(const RecordingSegment&) const = default;
};

// One chapter; an absent or empty title reads as "Chapter N".
struct ChapterSegment {
    QUuid id;
    double startSec = 0;
    double endSec = 0;
    std::optional<QString> title;
    std::optional<ColorRGBA> colorRGBA;
    bool operator==(const ChapterSegment&) const = default;
};

// An overlay drawn while the playhead is inside [startSec, endSec). `rect` is in fractions of
// the video frame.
struct AnnotationRegion {
    QUuid id;
    double startSec = 0;
    double endSec = 0;
    AnnotationKind kind = AnnotationKind::text;
    QRectF rect;
    std::optional<QString> text;          // text and callout
    std::optional<QString> imageFileName; // image: an asset beside the project
    ColorRGBA colorRGBA{1, 1, 1, 1};
    double fontSize = 0;
    std::optional<QString> lineStyleRaw;      // ArrowLineStyle raw value
    std::optional<QString> arrowHeadStyleRaw; // ArrowHeadStyle raw value
    std::optional<QString> lineDirectionRaw;  // "upRight", "upLeft", "downRight", "downLeft"
    bool operator==(const AnnotationRegion&) const = default;
};

// [start, end] in seconds.
struct TimeRange {
    double start = 0;
    double end = 0;
    double length() const { return end - start; }
    bool operator==(const TimeRange&) const = default;
};

struct VideoExportSpeedSlice {
    double sourceStart = 0;
    double sourceEnd = 0;
    double speed = 1;
    bool operator==(const VideoExportSpeedSlice&) const = default;
};

// One piece of the output: source [sourceStart, sourceStart + speed × compDuration] plays at
// output [compStart, compStart + compDuration].
struct VideoExportTimeMapSegment {
    double compStart = 0;
    double sourceStart = 0;
    double speed = 1;
    double compDuration = 0;
    double sourceEnd() const { return sourceStart + speed * compDuration; }
    bool operator==(const VideoExportTimeMapSegment&) const = default;
};

// A tiled chapter ready for drawing: the default title and colour filled in.
struct VideoChapterExportSegment {
    QUuid id;
    double startSec = 0;
    double endSec = 0;
    QString title;
    std::array<double, 4> colorRGBA{};
    bool operator==(const VideoChapterExportSegment&) const = default;
};

} // namespace mebo
