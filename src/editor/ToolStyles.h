#pragma once

#include "document/GradientFill.h"
#include "document/LayerEnums.h"
#include "document/ShadowStyle.h"

#include <QColor>
#include <QString>
#include <optional>

namespace mebo {

// What the next layer of each tool receives. Grouped per tool so that a panel edits one group and
// the editor tells the views which group changed.

struct ArrowToolStyle {
    ArrowHeadStyle headStyle = ArrowHeadStyle::end;
    ArrowLineStyle lineStyle = ArrowLineStyle::solid;
    double headSize = 4; // with the default width 4 the heads are 16 long, above the 3.5w floor
    double startSize = 1;
    double endSize = 1;
    bool headOutline = false;
    double headOutlineWidth = 2;
    std::optional<QColor> headColor;
    QColor headOutlineColor = Qt::white;
    ArrowLineStyle headOutlineStyle = ArrowLineStyle::solid;
    std::optional<LineCap> lineCap;
    ShadowStyle shadow = ShadowStyle::soft;
    double opacity = 1;
    bool operator==(const ArrowToolStyle&) const = default;
};

struct LineToolStyle {
    std::optional<LineCap> lineCap;
    bool operator==(const LineToolStyle&) const = default;
};

// Rectangle, ellipse and polygon (and the line tool's dash style).
struct ShapeToolStyle {
    ShadowStyle shadow = ShadowStyle::none;
    double opacity = 1;
    std::optional<QColor> fillColor;
    std::optional<GradientFill> gradient;
    int polygonSides = 5;
    double polygonInnerRatio = 1;
    double rectCornerRadius = 0;
    ArrowLineStyle lineStyle = ArrowLineStyle::solid;
    bool operator==(const ShapeToolStyle&) const = default;
};

struct PenToolStyle {
    ShadowStyle shadow = ShadowStyle::none;
    double opacity = 1;
    bool smoothCurves = true;
    ArrowLineStyle lineStyle = ArrowLineStyle::solid;
    std::optional<LineCap> lineCap;
    std::optional<LineJoin> lineJoin;
    bool operator==(const PenToolStyle&) const = default;
};

struct TextToolStyle {
    QColor outlineColor = Qt::white;
    TextFontWeight fontWeight = TextFontWeight::bold;
    QString fontFamily;
    bool underline = false;
    bool strike = false;
    bool italic = false;
    TextAlign align = TextAlign::left;
    ShadowStyle shadow = ShadowStyle::none;
    double opacity = 1;
    QColor backgroundColor = Qt::transparent;
    std::optional<double> backgroundCornerRadius;
    std::optional<double> outlineWidthPercent;
    std::optional<double> tracking;
    std::optional<double> lineHeightMultiple;
    std::optional<double> backgroundPadding;
    std::optional<TextLineStyle> underlineStyle;
    std::optional<TextLineStyle> strikeStyle;
    bool operator==(const TextToolStyle&) const = default;
};

struct CalloutToolStyle {
    // The body takes the shared stroke colour (red by default), so white text and no outline read
    // best on it.
    std::optional<QColor> outlineColor;
    double outlineWidth = 2;
    QColor textColor = Qt::white;
    TextFontWeight fontWeight = TextFontWeight::semibold;
    QString fontFamily;
    bool underline = false;
    bool strike = false;
    bool italic = false;
    std::optional<double> tracking;
    std::optional<double> lineHeightMultiple;
    std::optional<TextLineStyle> underlineStyle;
    std::optional<TextLineStyle> strikeStyle;
    TextAlign align = TextAlign::center;
    double padding = 8;
    ArrowLineStyle outlineStyle = ArrowLineStyle::solid;
    CalloutShape shape = CalloutShape::speechBubble;
    CalloutTailStyle tailStyle = CalloutTailStyle::triangle;
    ShadowStyle shadow = ShadowStyle::soft;
    double opacity = 1;
    std::optional<GradientFill> gradient;
    std::optional<double> cornerRadius;
    std::optional<QColor> tailColor;
    std::optional<double> tailSize;
    std::optional<ArrowLineStyle> tailLineStyle;
    std::optional<LineCap> tailLineCap;
    std::optional<CalloutTailAnchor> tailAnchor;
    bool operator==(const CalloutToolStyle&) const = default;
};

struct MosaicToolStyle {
    double blockSize = 14;
    double blurRadius = 12;
    MosaicStyle style = MosaicStyle::pixelate;
    QColor solidColor = Qt::black;
    MosaicShape shape = MosaicShape::rect;
    std::optional<double> cornerRadius;
    bool operator==(const MosaicToolStyle&) const = default;
};

struct StepToolStyle {
    int count = 1; // the number of the next badge
    QColor textColor = Qt::white;
    ShadowStyle shadow = ShadowStyle::soft;
    double opacity = 1;
    StepSequence sequence = StepSequence::numeric;
    StepShape shape = StepShape::circle;
    double radius = 16;
    QColor outlineColor = Qt::white;
    double outlineWidth = 0;
    TextFontWeight fontWeight = TextFontWeight::bold;
    ArrowLineStyle outlineStyle = ArrowLineStyle::solid;
    QString fontFamily;
    std::optional<double> cornerRadius;
    bool operator==(const StepToolStyle&) const = default;
};

struct StampToolStyle {
    QString symbol = QStringLiteral("checkmark.circle.fill");
    std::optional<QString> customImagePath;
    double size = 64;
    ShadowStyle shadow = ShadowStyle::none;
    double opacity = 1;
    bool operator==(const StampToolStyle&) const = default;
};

struct MagnifyToolStyle {
    MagnifyShape shape = MagnifyShape::circle;
    double zoom = 2;
    double borderWidth = 3;
    double lensSize = 160;
    ShadowStyle shadow = ShadowStyle::soft;
    double opacity = 1;
    double sourceOffsetX = 0;
    double sourceOffsetY = 0;
    std::optional<double> cornerRadius;
    ArrowLineStyle borderStyle = ArrowLineStyle::solid;
    bool operator==(const MagnifyToolStyle&) const = default;
};

struct HighlighterToolStyle {
    HighlighterShape shape = HighlighterShape::rect;
    ShadowStyle shadow = ShadowStyle::none;
    double opacity = 1;
    std::optional<double> cornerRadius;
    std::optional<double> underlineThickness;
    bool operator==(const HighlighterToolStyle&) const = default;
};

struct EraserToolStyle {
    double width = 20;
    bool operator==(const EraserToolStyle&) const = default;
};

struct CutOutToolStyle {
    CutOutOrientation orientation = CutOutOrientation::horizontal;
    CutOutEdgeStyle edgeStyle = CutOutEdgeStyle::torn;
    double density = 1;
    double depth = 1;
    bool operator==(const CutOutToolStyle&) const = default;
};

struct SpotlightToolStyle {
    double dimAlpha = 0.55;
    MosaicShape shape = MosaicShape::roundedRect;
    QColor borderColor = Qt::white;
    double borderWidth = 0;
    std::optional<double> cornerRadius;
    ArrowLineStyle borderStyle = ArrowLineStyle::solid;
    std::optional<QColor> dimColor;
    bool operator==(const SpotlightToolStyle&) const = default;
};

struct SimplifyToolStyle {
    MosaicShape shape = MosaicShape::roundedRect;
    QColor borderColor = Qt::white;
    double borderWidth = 0;
    std::optional<double> cornerRadius;
    ArrowLineStyle borderStyle = ArrowLineStyle::solid;
    bool operator==(const SimplifyToolStyle&) const = default;
};

struct FillToolStyle {
    QColor color = QColor(255, 59, 48);
    FillMode mode = FillMode::region;
    double fullImageAlpha = 0.35;
    std::optional<GradientFill> fullImageGradient;
    double regionTolerance = 10;
    double regionAlpha = 1;
    bool regionTransparent = false;
    bool operator==(const FillToolStyle&) const = default;
};

// The style groups, for change notifications.
enum class StyleGroup : uint8_t {
    stroke,
    arrow,
    line,
    shape,
    pen,
    text,
    callout,
    mosaic,
    step,
    stamp,
    magnify,
    highlighter,
    eraser,
    cutout,
    spotlight,
    simplify,
    fill,
};

struct ToolStyles {
    // Shared by the stroked kinds, text and callout body.
    QColor strokeColor = QColor(255, 59, 48);
    double strokeWidth = 4;
    double fontSize = 24;

    ArrowToolStyle arrow;
    LineToolStyle line;
    ShapeToolStyle shape;
    PenToolStyle pen;
    TextToolStyle text;
    CalloutToolStyle callout;
    MosaicToolStyle mosaic;
    StepToolStyle step;
    StampToolStyle stamp;
    MagnifyToolStyle magnify;
    HighlighterToolStyle highlighter;
    EraserToolStyle eraser;
    CutOutToolStyle cutout;
    SpotlightToolStyle spotlight;
    SimplifyToolStyle simplify;
    FillToolStyle fill;

    bool operator==(const ToolStyles&) const = default;
};

} // namespace mebo
