#include "editor/ToolStyleSnapshot.h"

namespace mebo {

namespace {

template <typename Styles, typename Shadow, typename Opacity>
void pickGroup(ToolKind tool, Styles& s, Shadow& shadow, Opacity& opacity) {
    switch (tool) {
    case ToolKind::arrow:
        shadow = &s.arrow.shadow, opacity = &s.arrow.opacity;
        break;
    case ToolKind::rect:
    case ToolKind::ellipse:
    case ToolKind::polygon:
    case ToolKind::line:
        shadow = &s.shape.shadow, opacity = &s.shape.opacity;
        break;
    case ToolKind::pen:
        shadow = &s.pen.shadow, opacity = &s.pen.opacity;
        break;
    case ToolKind::text:
        shadow = &s.text.shadow, opacity = &s.text.opacity;
        break;
    case ToolKind::callout:
        shadow = &s.callout.shadow, opacity = &s.callout.opacity;
        break;
    case ToolKind::step:
        shadow = &s.step.shadow, opacity = &s.step.opacity;
        break;
    case ToolKind::stamp:
        shadow = &s.stamp.shadow, opacity = &s.stamp.opacity;
        break;
    case ToolKind::magnify:
        shadow = &s.magnify.shadow, opacity = &s.magnify.opacity;
        break;
    case ToolKind::highlighter:
        shadow = &s.highlighter.shadow, opacity = &s.highlighter.opacity;
        break;
    default:
        shadow = nullptr, opacity = nullptr;
        break;
    }
}

} // namespace

ShadowStyle* shadowSetting(ToolKind tool, ToolStyles& styles) {
    ShadowStyle* shadow = nullptr;
    double* opacity = nullptr;
    pickGroup(tool, styles, shadow, opacity);
    return shadow;
}

double* opacitySetting(ToolKind tool, ToolStyles& styles) {
    ShadowStyle* shadow = nullptr;
    double* opacity = nullptr;
    pickGroup(tool, styles, shadow, opacity);
    return opacity;
}

ToolStyleSnapshot ToolStyleSnapshot::capture(ToolKind tool, const ToolStyles& styles) {
    ToolStyleSnapshot s;
    s.color = styles.strokeColor;
    s.strokeWidth = styles.strokeWidth;
    s.fontSize = styles.fontSize;
    s.arrowHeadStyle = styles.arrow.headStyle;
    s.arrowLineStyle = styles.arrow.lineStyle;
    s.arrowHeadSize = styles.arrow.headSize;
    s.mosaicBlockSize = styles.mosaic.blockSize;
    s.blurRadius = styles.mosaic.blurRadius;
    s.mosaicStyle = styles.mosaic.style;
    s.mosaicShape = styles.mosaic.shape;
    s.mosaicSolidColor = styles.mosaic.solidColor;
    s.stampSymbol = styles.stamp.symbol;
    s.stampSize = styles.stamp.size;
    ToolStyles copy = styles;
    if (const ShadowStyle* shadow = shadowSetting(tool, copy)) {
        s.shadow = *shadow;
    }
    if (const double* opacity = opacitySetting(tool, copy)) {
        s.opacity = *opacity;
    }
    s.penSmoothCurves = styles.pen.smoothCurves;
    s.arrowStartSize = styles.arrow.startSize;
    s.arrowEndSize = styles.arrow.endSize;
    s.arrowHeadOutline = styles.arrow.headOutline;
    s.textOutlineColor = styles.text.outlineColor;
    s.textFontWeight = styles.text.fontWeight;
    s.textFontFamily = styles.text.fontFamily;
    s.textUnderline = styles.text.underline;
    s.textStrike = styles.text.strike;
    s.textAlign = styles.text.align;
    return s;
}

void ToolStyleSnapshot::applyTo(ToolKind tool, ToolStyles& styles) const {
    styles.strokeColor = color;
    styles.strokeWidth = strokeWidth;
    styles.fontSize = fontSize;
    styles.arrow.headStyle = arrowHeadStyle;
    styles.arrow.lineStyle = arrowLineStyle;
    styles.arrow.headSize = arrowHeadSize;
    styles.mosaic.blockSize = mosaicBlockSize;
    styles.mosaic.blurRadius = blurRadius;
    styles.mosaic.style = mosaicStyle;
    styles.mosaic.shape = mosaicShape;
    styles.mosaic.solidColor = mosaicSolidColor;
    styles.stamp.symbol = stampSymbol;
    styles.stamp.size = stampSize;
    if (ShadowStyle* s = shadowSetting(tool, styles)) {
        *s = shadow;
    }
    if (double* o = opacitySetting(tool, styles)) {
        *o = opacity;
    }
    styles.pen.smoothCurves = penSmoothCurves;
    styles.arrow.startSize = arrowStartSize;
    styles.arrow.endSize = arrowEndSize;
    styles.arrow.headOutline = arrowHeadOutline;
    styles.text.outlineColor = textOutlineColor;
    styles.text.fontWeight = textFontWeight;
    styles.text.fontFamily = textFontFamily;
    styles.text.underline = textUnderline;
    styles.text.strike = textStrike;
    styles.text.align = textAlign;
}

} // namespace mebo
