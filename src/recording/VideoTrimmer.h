#pragma once

#include <QString>
#include <optional>

namespace mebo {

namespace platform {
class MediaRemuxer;
}

// The passthrough trim of the "Trim Video" prompt: reads the prompt's two fields, and copies a
// time range of a video without re-encoding into NAME_trimmed.mp4 beside it, through a temporary
// sibling (NAME_trimmed.tmp.mp4) that replaces the destination only once complete. A copy starts
// at the key frame at or before the start. Any thread (the file work is synchronous).
class VideoTrimmer {
public:
    struct Range {
        double startSec = 0;
        double endSec = 0;
    };

    explicit VideoTrimmer(platform::MediaRemuxer& remuxer) : remuxer_(remuxer) {}

    // Start: the number (C locale) or 0, never negative; end: the number or the duration, never
    // past it. Nothing (and the invalid-range line) when start is not before end.
    static std::optional<Range> parseRange(const QString& startText, const QString& endText,
                                           double durationSec);
    // The same reading without the check: what the prompt shows while the fields are typed.
    static Range rangeOf(const QString& startText, const QString& endText, double durationSec);
    static QString trimmedPathFor(const QString& source);
    static QString temporaryPathFor(const QString& destination);

    // Answers the file written: the destination, or the temporary file when replacing failed.
    std::optional<QString> trim(const QString& source, const Range& range, const QString& destination);

private:
    platform::MediaRemuxer& remuxer_;
};

} // namespace mebo
