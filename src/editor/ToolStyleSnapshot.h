#pragma once

#include "document/ToolKind.h"
#include "editor/ToolStyles.h"

namespace mebo {

// A remembered style of one tool, offered as a preset in the tool's panel.
struct ToolStyleSnapshot {
    QColor color;
    double strokeWidth = 0;
    double fontSize = 0;
    ArrowHeadStyle arrowHeadStyle = ArrowHeadStyle::end;
    ArrowLineStyle arrowLineStyle = ArrowLineStyle::solid;
    double arrowHeadSize = 0;
    double mosaicBlockSize = 0;
    double blurRadius = 0;
    MosaicStyle mosaicStyle = MosaicStyle::pixelate;
    MosaicShape mosaicShape = MosaicShape::rect;
    QColor mosaicSolidColor;
    QString stampSymbol;
    double stampSize = 0;
    ShadowStyle shadow = ShadowStyle::none;
    double opacity = 1;
    bool penSmoothCurves = true;
    double arrowStartSize = 1;
    double arrowEndSize = 1;
    bool arrowHeadOutline = false;
    QColor textOutlineColor;
    TextFontWeight textFontWeight = TextFontWeight::bold;
    QString textFontFamily;
    bool textUnderline = false;
    bool textStrike = false;
    TextAlign textAlign = TextAlign::left;

    bool operator==(const ToolStyleSnapshot&) const = default;

    // The style `tool` would give its next layer. Shadow and opacity come from the tool's own group.
    static ToolStyleSnapshot capture(ToolKind tool, const ToolStyles& styles);
    // Puts the snapshot back into the settings; `tool` picks the shadow and opacity group.
    void applyTo(ToolKind tool, ToolStyles& styles) const;
};

// Shadow and opacity live in one group per tool; tools without them answer nullptr.
ShadowStyle* shadowSetting(ToolKind tool, ToolStyles& styles);
double* opacitySetting(ToolKind tool, ToolStyles& styles);

} // namespace mebo
