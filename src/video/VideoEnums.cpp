#include "video/VideoEnums.h"

#include <array>

namespace mebo {

#define MEBO_VIDEO_ENUM_NAMES(E, ...)                                                                        \
    template <> std::span<const char* const> enumRawNames<E>() {                                             \
        static constexpr std::array kNames{__VA_ARGS__};                                                     \
        return {kNames.data(), kNames.size()};                                                               \
    }

MEBO_VIDEO_ENUM_NAMES(AnnotationKind, "text", "image", "arrow", "line", "callout", "shape", "highlight",
                      "spotlight")
MEBO_VIDEO_ENUM_NAMES(WebcamAnchor, "topLeft", "topRight", "bottomLeft", "bottomRight", "custom")
MEBO_VIDEO_ENUM_NAMES(WebcamLayoutPreset, "topLeft", "topRight", "bottomLeft", "bottomRight", "center",
                      "custom")
MEBO_VIDEO_ENUM_NAMES(WebcamSizePreset, "small", "medium", "large", "custom")
MEBO_VIDEO_ENUM_NAMES(WebcamMaskShape, "circle", "rect", "rounded")
MEBO_VIDEO_ENUM_NAMES(VideoChapterDisplayStyle, "titles", "compact", "markers", "underline", "pill", "meter")

#undef MEBO_VIDEO_ENUM_NAMES

QString chapterDisplayStyleTitle(VideoChapterDisplayStyle style) {
    switch (style) {
    case VideoChapterDisplayStyle::titles:
        return QStringLiteral("Detailed Titles");
    case VideoChapterDisplayStyle::compact:
        return QStringLiteral("Compact Bar");
    case VideoChapterDisplayStyle::markers:
        return QStringLiteral("Marker Line");
    case VideoChapterDisplayStyle::underline:
        return QStringLiteral("Underline Sweep");
    case VideoChapterDisplayStyle::pill:
        return QStringLiteral("Pill Progress");
    case VideoChapterDisplayStyle::meter:
        return QStringLiteral("Segment Meter");
    }
    return {};
}

} // namespace mebo
