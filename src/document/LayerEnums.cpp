#include "document/LayerEnums.h"

namespace mebo {

namespace {
template <size_t N> std::span<const char* const> names(const std::array<const char*, N>& a) {
    return {a.data(), a.size()};
}
} // namespace

#define MEBO_ENUM_NAMES(E, ...)                                                                              \
    template <> std::span<const char* const> enumRawNames<E>() {                                             \
        static constexpr std::array kNames{__VA_ARGS__};                                                     \
        return names(kNames);                                                                                \
    }

MEBO_ENUM_NAMES(ArrowHeadStyle, "none", "start", "end", "both")
MEBO_ENUM_NAMES(ArrowLineStyle, "solid", "dashed", "dotted")
MEBO_ENUM_NAMES(LineCap, "butt", "round", "square")
MEBO_ENUM_NAMES(LineJoin, "miter", "round", "bevel")
MEBO_ENUM_NAMES(TextFontWeight, "regular", "medium", "semibold", "bold", "heavy")
MEBO_ENUM_NAMES(TextAlign, "left", "center", "right")
MEBO_ENUM_NAMES(TextLineStyle, "single", "double", "thick")
MEBO_ENUM_NAMES(CalloutShape, "speechBubble", "rectangle", "arrowRight", "roundedRect", "cloud")
MEBO_ENUM_NAMES(CalloutTailStyle, "none", "triangle", "arrow")
MEBO_ENUM_NAMES(CalloutTailAnchor, "auto", "top", "right", "bottom", "left")
MEBO_ENUM_NAMES(StepSequence, "numeric", "upperLetter", "lowerLetter", "upperRoman", "lowerRoman")
MEBO_ENUM_NAMES(StepShape, "circle", "square", "roundedSquare", "teardrop")
MEBO_ENUM_NAMES(HighlighterShape, "rect", "rounded", "ellipse", "underline")
MEBO_ENUM_NAMES(MosaicStyle, "pixelate", "gaussian", "solid")
MEBO_ENUM_NAMES(MosaicShape, "rect", "roundedRect", "ellipse", "polygon")
MEBO_ENUM_NAMES(MagnifyShape, "circle", "rect", "roundedRect")
MEBO_ENUM_NAMES(CutOutOrientation, "horizontal", "vertical")
MEBO_ENUM_NAMES(CutOutEdgeStyle, "straight", "torn", "zigzag", "wave")
MEBO_ENUM_NAMES(FillMode, "fullImage", "region", "global")

#undef MEBO_ENUM_NAMES

QString cutOutEdgeStyleDisplayName(CutOutEdgeStyle style) {
    switch (style) {
    case CutOutEdgeStyle::straight:
        return QStringLiteral("Line");
    case CutOutEdgeStyle::torn:
        return QStringLiteral("Torn");
    case CutOutEdgeStyle::zigzag:
        return QStringLiteral("Zigzag");
    case CutOutEdgeStyle::wave:
        return QStringLiteral("Wave");
    }
    return {};
}

QString mosaicShapeDisplayName(MosaicShape shape) {
    switch (shape) {
    case MosaicShape::rect:
        return QStringLiteral("Rect");
    case MosaicShape::roundedRect:
        return QStringLiteral("Rounded");
    case MosaicShape::ellipse:
        return QStringLiteral("Ellipse");
    case MosaicShape::polygon:
        return QStringLiteral("Polygon");
    }
    return {};
}

} // namespace mebo
