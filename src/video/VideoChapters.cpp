#include "video/VideoChapters.h"

#include "video/StartOrder.h"
#include "video/VideoTimeline.h"

#include <algorithm>

namespace mebo {

QList<ChapterSegment> VideoChapters::sanitized(const QList<ChapterSegment>& chapters, double duration) {
    QList<ChapterSegment> out;
    out.reserve(chapters.size());
    for (const ChapterSegment& c : chapters) {
        ChapterSegment s = c;
        s.startSec = VideoTimeline::clampTime(c.startSec, duration);
        s.endSec = VideoTimeline::clampTime(c.endSec, duration);
        if (s.endSec - s.startSec > kMinLength) {
            out.append(std::move(s));
        }
    }
    sortByStartSec(out);
    return out;
}

QList<ChapterSegment> VideoChapters::tiled(const QList<ChapterSegment>& chapters, double duration) {
    QList<ChapterSegment> list = sanitized(chapters, duration);
    if (list.isEmpty()) {
        return list;
    }
    list.first().startSec = 0;
    for (qsizetype i = 0; i + 1 < list.size(); ++i) {
        list[i].endSec = list[i + 1].startSec;
    }
    list.last().endSec = VideoTimeline::sanitizedDuration(duration);
    list.removeIf(
        [](const ChapterSegment& c) { return c.endSec - c.startSec <= VideoTimeline::kMinCutLength; });
    return list;
}

QString VideoChapters::displayTitle(const ChapterSegment& chapter, int position) {
    if (chapter.title && !chapter.title->isEmpty()) {
        return *chapter.title;
    }
    return QStringLiteral("Chapter ") + QString::number(position);
}

std::array<double, 4> VideoChapters::defaultColor(int position) {
    // Blue, orange, green, purple, pink, teal: distinct on dark and light video alike.
    static constexpr std::array<std::array<double, 4>, 6> kPalette{{
        {0.039, 0.518, 1.0, 1.0},
        {1.0, 0.584, 0.0, 1.0},
        {0.204, 0.780, 0.349, 1.0},
        {0.686, 0.322, 0.871, 1.0},
        {1.0, 0.216, 0.373, 1.0},
        {0.188, 0.690, 0.780, 1.0},
    }};
    return kPalette[size_t(std::max(position - 1, 0)) % kPalette.size()];
}

QList<VideoChapterExportSegment> VideoChapters::exportSegments(const QList<ChapterSegment>& chapters,
                                                               double duration) {
    const QList<ChapterSegment> list = tiled(chapters, duration);
    QList<VideoChapterExportSegment> out;
    out.reserve(list.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
        const ChapterSegment& c = list[i];
        const int position = int(i) + 1;
        const auto color =
            c.colorRGBA ? rgbaComponents(*c.colorRGBA, defaultColor(position)) : defaultColor(position);
        out.append({c.id, c.startSec, c.endSec, displayTitle(c, position), color});
    }
    return out;
}

std::optional<QList<ChapterSegment>> VideoChapters::splitAt(const QList<ChapterSegment>& chapters, double t,
                                                            double duration) {
    const double d = VideoTimeline::sanitizedDuration(duration);
    if (!(t > kMinLength && t < d - kMinLength)) {
        return std::nullopt;
    }
    QList<ChapterSegment> list = tiled(chapters, d);
    if (list.isEmpty()) {
        return QList<ChapterSegment>{{QUuid::createUuid(), 0, t, {}, {}},
                                     {QUuid::createUuid(), t, d, {}, {}}};
    }
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].startSec < t && t < list[i].endSec) {
            ChapterSegment right{QUuid::createUuid(), t, list[i].endSec, {}, {}};
            list[i].endSec = t;
            list.insert(i + 1, right);
            return list;
        }
    }
    return std::nullopt;
}

QString VideoChapters::limitTyping(const QString& text) {
    if (text.size() <= kMaxTitleLength) {
        return text;
    }
    // Never half of a character outside the basic plane.
    const bool split = text.at(kMaxTitleLength - 1).isHighSurrogate();
    return text.left(split ? kMaxTitleLength - 1 : kMaxTitleLength);
}

std::optional<QString> VideoChapters::titleOnSave(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    return trimmed;
}

} // namespace mebo
