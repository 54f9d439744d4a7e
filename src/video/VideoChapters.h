#pragma once

#include "video/VideoRegions.h"

#include <QList>
#include <QString>
#include <array>
#include <optional>

namespace mebo {

// The chapter rules: chapters always tile the whole video, are split at the playhead and renamed
// with a length limit.
class VideoChapters {
public:
    static constexpr double kMinLength = 0.05;
    static constexpr int kMaxTitleLength = 80;

    // Clamped, longer than 0.05 s, sorted by start.
    static QList<ChapterSegment> sanitized(const QList<ChapterSegment>& chapters, double duration);
    // Sanitised, then laid edge to edge over [0, duration]; slivers of 0.001 s or less dropped.
    static QList<ChapterSegment> tiled(const QList<ChapterSegment>& chapters, double duration);
    // "Chapter N" (1-based) for an absent or empty title.
    static QString displayTitle(const ChapterSegment& chapter, int position);
    // The colour of a chapter without one: a palette cycled by position, so neighbours differ.
    static std::array<double, 4> defaultColor(int position);
    // The tiled chapters with their titles and colours filled in.
    static QList<VideoChapterExportSegment> exportSegments(const QList<ChapterSegment>& chapters,
                                                           double duration);

    // Split at the playhead: t must lie more than 0.05 s inside the video. No chapters yet: two
    // chapters [0, t] and [t, duration]. Otherwise the tiled chapter containing t is split (the
    // left part keeps its id, title and colour; the right part gets a fresh id). Nothing when t
    // is refused or lies on a boundary.
    static std::optional<QList<ChapterSegment>> splitAt(const QList<ChapterSegment>& chapters, double t,
                                                        double duration);

    // The rename sheet: typed text is cut to its first 80 characters.
    static QString limitTyping(const QString& text);
    // On "Save": trimmed of white space and line breaks; empty clears the title.
    static std::optional<QString> titleOnSave(const QString& text);
};

} // namespace mebo
