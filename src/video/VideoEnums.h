#pragma once

#include "document/LayerEnums.h"

#include <QString>

namespace mebo {

// The stored enumerations of a video edit. Raw value = case name, cases in stored order (the
// raw-value helpers of LayerEnums.h apply: rawValue, fromRawValue, allCases).

enum class AnnotationKind : uint8_t { text, image, arrow, line, callout, shape, highlight, spotlight };
enum class WebcamAnchor : uint8_t { topLeft, topRight, bottomLeft, bottomRight, custom };
enum class WebcamLayoutPreset : uint8_t { topLeft, topRight, bottomLeft, bottomRight, center, custom };
enum class WebcamSizePreset : uint8_t { small, medium, large, custom };
enum class WebcamMaskShape : uint8_t { circle, rect, rounded };
// How the player draws its chapter progress bar (a user preference, not part of a project).
enum class VideoChapterDisplayStyle : uint8_t { titles, compact, markers, underline, pill, meter };

template <> std::span<const char* const> enumRawNames<AnnotationKind>();
template <> std::span<const char* const> enumRawNames<WebcamAnchor>();
template <> std::span<const char* const> enumRawNames<WebcamLayoutPreset>();
template <> std::span<const char* const> enumRawNames<WebcamSizePreset>();
template <> std::span<const char* const> enumRawNames<WebcamMaskShape>();
template <> std::span<const char* const> enumRawNames<VideoChapterDisplayStyle>();

// "Detailed Titles", "Compact Bar", ...: the menu title of a style.
QString chapterDisplayStyleTitle(VideoChapterDisplayStyle style);

} // namespace mebo
