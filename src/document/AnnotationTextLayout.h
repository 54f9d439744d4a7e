#pragma once

#include "document/LayerEnums.h"

#include <QFont>
#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <optional>

class QPainter;
class QBrush;

namespace mebo {

// Lays out the multi-line text of text labels, callouts and step badges and turns it into outlines.
// Everything is in image units: a font size of 24 means an em of 24 image pixels, whatever the
// resolution of the device the text ends up on. Glyphs are drawn as filled outlines, so a text
// renders the same on the canvas, in exports and under any transform, and can be stroked.
class AnnotationTextLayout {
public:
    struct Style {
        QString fontFamily; // empty: the system font
        TextFontWeight fontWeight = TextFontWeight::regular;
        double fontSize = 16;
        bool italic = false;
        std::optional<double> trackingPt;         // extra advance after each character
        std::optional<double> lineHeightMultiple; // times the font's natural line height
        TextAlign align = TextAlign::left;
        std::optional<TextLineStyle> underline; // unset: no underline
        std::optional<TextLineStyle> strike;    // unset: no strike-through
    };

    // The style of a text-carrying layer (TextLayer, CalloutLayer): an underline or strike that
    // is on without a style of its own is single.
    template <typename L> static Style styleOf(const L& layer) {
        Style style;
        style.fontFamily = layer.fontFamily;
        style.fontWeight = layer.fontWeight;
        style.fontSize = layer.fontSize;
        style.italic = layer.italic;
        style.trackingPt = layer.trackingPt;
        style.lineHeightMultiple = layer.lineHeightMultiple;
        style.align = layer.align;
        if (layer.underline) {
            style.underline = layer.underlineStyle.value_or(TextLineStyle::single);
        }
        if (layer.strike) {
            style.strike = layer.strikeStyle.value_or(TextLineStyle::single);
        }
        return style;
    }

    // One laid-out line, relative to the layout's top-left corner.
    struct Line {
        QRectF box;       // the line's slot: full layout width, line height
        double x = 0;     // where its text starts (after alignment)
        double width = 0; // advance width of its text
        double baseline = 0;
    };

    // Lines break at every line break ("\n", "\r\n", "\r", U+2028) and, when `wrapWidth` is set, at
    // word boundaries (or inside a word longer than the width) so that lines fit it.
    AnnotationTextLayout(const QString& text, const Style& style,
                         std::optional<double> wrapWidth = std::nullopt);

    // Width: the wrap width when set, else the widest line. Height: the sum of the line heights; an
    // empty text still has one line.
    QSizeF size() const { return m_size; }
    const QList<Line>& lines() const { return m_lines; }
    // Glyph outlines, filled with the winding rule.
    const QPainterPath& glyphs() const { return m_glyphs; }
    // Underline and strike bars. Kept apart from the glyphs: a bar crossing a glyph contour of the
    // opposite direction would cancel out under the winding rule.
    const QPainterPath& decorations() const { return m_decorations; }
    // The ink's box (glyphs and bars); empty for a text without visible characters.
    QRectF inkBounds() const;

    // Fills glyphs and bars, moved by `offset`.
    void fill(QPainter& painter, const QBrush& brush, const QPointF& offset = {}) const;

    static QFont::Weight qtWeight(TextFontWeight weight);
    // Thickness of a single underline or strike bar at a font size.
    static double decorationThickness(double fontSize);
    // Height of all bars of one underline or strike (two bars and their gap for double).
    static double decorationHeight(TextLineStyle style, double fontSize);
    // The font size actually used: finite and within 1 to 4000.
    static double usableFontSize(double fontSize);

private:
    // The style's font at the fixed shaping size, tracking scaled to match.
    static QFont shapingFont(const Style& style);

    void addDecoration(const Line& line, TextLineStyle style, double top);

    Style m_style;
    QSizeF m_size;
    QList<Line> m_lines;
    QPainterPath m_glyphs;
    QPainterPath m_decorations;
};

} // namespace mebo
