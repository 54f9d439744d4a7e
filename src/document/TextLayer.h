#pragma once

#include "document/AnnotationTextLayout.h"
#include "document/DrawingLayer.h"
#include "document/LayerEnums.h"

#include <QColor>
#include <QList>
#include <QSizeF>
#include <QString>
#include <optional>

namespace mebo {

// A text label; position is the top-left corner of its box.
class TextLayer final : public DrawingLayer {
public:
    TextLayer() : DrawingLayer(ToolKind::text) {}

    QPointF position;
    QString text;
    QColor color = Qt::black;
    double fontSize = 24;
    QColor outlineColor = Qt::white;
    TextFontWeight fontWeight = TextFontWeight::bold;
    QString fontFamily; // empty: the system font
    bool underline = false;
    bool strike = false;
    bool italic = false;
    TextAlign align = TextAlign::left;
    QColor backgroundColor = Qt::transparent;
    std::optional<double> backgroundCornerRadius;
    std::optional<double> outlineWidthPercent;
    std::optional<double> trackingPt;
    std::optional<double> lineHeightMultiple;
    std::optional<double> backgroundPadding;
    std::optional<TextLineStyle> underlineStyle;
    std::optional<TextLineStyle> strikeStyle;

    // The font, decorations and paragraph settings of the label.
    AnnotationTextLayout::Style textStyle() const;
    AnnotationTextLayout layout() const;
    // A background counts when its alpha is above 0.01.
    bool hasVisibleBackground() const;
    // Horizontal and vertical padding around the text: 8 and 6, or backgroundPadding on both
    // sides when it is set and the background is visible.
    QSizeF padding() const;
    // The laid-out text plus the padding, its top-left corner at position.
    QRectF box() const;
    // The background's corner radius: backgroundCornerRadius (6 when unset) limited to half the
    // box's short side.
    double backgroundRadius() const;
    // Outline percent of the font size: |outlineWidthPercent|, 30 when unset; 0 when the outline is
    // not drawn (percent at most 0.001 or an outline colour with alpha at most 0.01).
    double outlinePercent() const;
    // Radius of the outermost outline ring: max(fontSize * percent / 100, 1); 0 without outline.
    double outlineRingRadius() const;
    // How far the outline reaches beyond the glyphs: ring radius plus half the stroke.
    double outlineReach() const;
    // Where the outline copies of the text are drawn, relative to the text: four rings of radius
    // R, 0.72 R, 0.45 R and 0.22 R with 24, 20, 16 and 12 evenly spaced positions; a ring whose
    // radius is 0.35 or less is left out.
    static QList<QPointF> outlineOffsets(double ringRadius);

    void draw(QPainter& painter, const QImage& base) const override;
    QRectF bounds() const override;
    LayerPtr translated(double dx, double dy) const override;
    const char* className() const override { return "TextLayer"; }

private:
    QRectF frameFor(const AnnotationTextLayout& textLayout) const;
    QRectF coverage(const AnnotationTextLayout& textLayout) const;
};

} // namespace mebo
