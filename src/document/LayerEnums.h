#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace mebo {

// The small enumerations shared by the layer kinds. Each is stored by its raw value, which is the
// case name; the cases are listed in their stored order.

enum class ArrowHeadStyle : uint8_t { none, start, end, both };
// The line style of every stroked kind.
enum class ArrowLineStyle : uint8_t { solid, dashed, dotted };
enum class LineCap : uint8_t { butt, round, square };
enum class LineJoin : uint8_t { miter, round, bevel };
enum class TextFontWeight : uint8_t { regular, medium, semibold, bold, heavy };
enum class TextAlign : uint8_t { left, center, right };
// Underline and strike-through style.
enum class TextLineStyle : uint8_t { single, double_, thick };
enum class CalloutShape : uint8_t { speechBubble, rectangle, arrowRight, roundedRect, cloud };
enum class CalloutTailStyle : uint8_t { none, triangle, arrow };
enum class CalloutTailAnchor : uint8_t { auto_, top, right, bottom, left };
enum class StepSequence : uint8_t { numeric, upperLetter, lowerLetter, upperRoman, lowerRoman };
enum class StepShape : uint8_t { circle, square, roundedSquare, teardrop };
enum class HighlighterShape : uint8_t { rect, rounded, ellipse, underline };
enum class MosaicStyle : uint8_t { pixelate, gaussian, solid };
// Also the shape of spotlight and simplify layers.
enum class MosaicShape : uint8_t { rect, roundedRect, ellipse, polygon };
enum class MagnifyShape : uint8_t { circle, rect, roundedRect };
enum class CutOutOrientation : uint8_t { horizontal, vertical };
enum class CutOutEdgeStyle : uint8_t { straight, torn, zigzag, wave };
enum class FillMode : uint8_t { fullImage, region, global };

// Raw names of an enumeration's cases, indexed by the case's value.
template <typename E> std::span<const char* const> enumRawNames();

template <> std::span<const char* const> enumRawNames<ArrowHeadStyle>();
template <> std::span<const char* const> enumRawNames<ArrowLineStyle>();
template <> std::span<const char* const> enumRawNames<LineCap>();
template <> std::span<const char* const> enumRawNames<LineJoin>();
template <> std::span<const char* const> enumRawNames<TextFontWeight>();
template <> std::span<const char* const> enumRawNames<TextAlign>();
template <> std::span<const char* const> enumRawNames<TextLineStyle>();
template <> std::span<const char* const> enumRawNames<CalloutShape>();
template <> std::span<const char* const> enumRawNames<CalloutTailStyle>();
template <> std::span<const char* const> enumRawNames<CalloutTailAnchor>();
template <> std::span<const char* const> enumRawNames<StepSequence>();
template <> std::span<const char* const> enumRawNames<StepShape>();
template <> std::span<const char* const> enumRawNames<HighlighterShape>();
template <> std::span<const char* const> enumRawNames<MosaicStyle>();
template <> std::span<const char* const> enumRawNames<MosaicShape>();
template <> std::span<const char* const> enumRawNames<MagnifyShape>();
template <> std::span<const char* const> enumRawNames<CutOutOrientation>();
template <> std::span<const char* const> enumRawNames<CutOutEdgeStyle>();
template <> std::span<const char* const> enumRawNames<FillMode>();

template <typename E> QString rawValue(E value) {
    return QString::fromLatin1(enumRawNames<E>()[static_cast<size_t>(value)]);
}

// The case whose raw value is exactly `raw` (case-sensitive), or nothing.
template <typename E> std::optional<E> fromRawValue(QStringView raw) {
    const auto names = enumRawNames<E>();
    for (size_t i = 0; i < names.size(); ++i) {
        if (raw == QLatin1String(names[i])) {
            return static_cast<E>(i);
        }
    }
    return std::nullopt;
}

// All cases in their stored order.
template <typename E> auto allCases() {
    const auto names = enumRawNames<E>();
    std::array<E, 8> buffer{};
    size_t n = names.size();
    struct Cases {
        std::array<E, 8> items;
        size_t count;
        const E* begin() const { return items.data(); }
        const E* end() const { return items.data() + count; }
        size_t size() const { return count; }
    };
    for (size_t i = 0; i < n; ++i) {
        buffer[i] = static_cast<E>(i);
    }
    return Cases{buffer, n};
}

QString cutOutEdgeStyleDisplayName(CutOutEdgeStyle style);
QString mosaicShapeDisplayName(MosaicShape shape);

} // namespace mebo
