#include "document/AnnotationTextLayout.h"

#include <QBrush>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <mutex>

namespace mebo {

namespace {

// Text is shaped at this pixel size and the result scaled to the font size: QFont pixel sizes are
// whole numbers, and a pixel size avoids any dependence on the screen's resolution. Positions are
// kept in 1/64 pixel, so at this size they are exact to well below an image pixel.
constexpr int kShapingPixels = 1000;

double finiteOr(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}

// Every kind of line break becomes U+2028, the one QTextLayout breaks at.
QString withLineSeparators(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    out.replace(QLatin1Char('\n'), QChar::LineSeparator);
    out.replace(QLatin1Char('\r'), QChar::LineSeparator);
    out.replace(QChar::ParagraphSeparator, QChar::LineSeparator);
    return out;
}

// Glyph outlines by font and glyph: loading an outline runs the font's hinting program, which
// costs more than everything else a label does. Shared by every thread that lays out text.
class GlyphPathCache {
public:
    QPainterPath path(const QRawFont& raw, quint32 glyph) {
        const QString key = raw.familyName() + QLatin1Char('|') + raw.styleName() + QLatin1Char('|') +
                            QString::number(int(raw.weight())) + QLatin1Char('|') +
                            QString::number(int(raw.style())) + QLatin1Char('|') +
                            QString::number(raw.pixelSize()) + QLatin1Char('|') + QString::number(glyph);
        {
            const std::lock_guard lock(mutex_);
            const auto it = paths_.constFind(key);
            if (it != paths_.cend()) {
                return *it;
            }
        }
        QPainterPath path = raw.pathForGlyph(glyph);
        const std::lock_guard lock(mutex_);
        if (paths_.size() >= kMaxEntries) {
            paths_.clear();
        }
        paths_.insert(key, path);
        return path;
    }

private:
    static constexpr qsizetype kMaxEntries = 8192;
    std::mutex mutex_;
    QHash<QString, QPainterPath> paths_;
};

GlyphPathCache& glyphPathCache() {
    static GlyphPathCache cache;
    return cache;
}

// Position of the bars relative to the baseline, in em (y down).
constexpr double kUnderlineTop = 0.11;
constexpr double kStrikeCenter = -0.3;

} // namespace

QFont::Weight AnnotationTextLayout::qtWeight(TextFontWeight weight) {
    switch (weight) {
    case TextFontWeight::regular:
        return QFont::Normal;
    case TextFontWeight::medium:
        return QFont::Medium;
    case TextFontWeight::semibold:
        return QFont::DemiBold;
    case TextFontWeight::bold:
        return QFont::Bold;
    case TextFontWeight::heavy:
        return QFont::Black;
    }
    return QFont::Normal;
}

double AnnotationTextLayout::decorationThickness(double fontSize) {
    return std::max(1.0, fontSize * 0.065);
}

double AnnotationTextLayout::usableFontSize(double fontSize) {
    return std::clamp(finiteOr(fontSize, 16), 1.0, 4000.0);
}

QFont AnnotationTextLayout::shapingFont(const Style& style) {
    const double scale = kShapingPixels / usableFontSize(style.fontSize);
    QFont font;
    if (!style.fontFamily.isEmpty()) {
        font.setFamily(style.fontFamily);
    }
    font.setPixelSize(kShapingPixels);
    font.setWeight(qtWeight(style.fontWeight));
    font.setItalic(style.italic);
    // Unhinted outlines: the same shapes at every scale and on every device.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    if (style.trackingPt && std::isfinite(*style.trackingPt) && *style.trackingPt != 0) {
        font.setLetterSpacing(QFont::AbsoluteSpacing, *style.trackingPt * scale);
    }
    return font;
}

AnnotationTextLayout::AnnotationTextLayout(const QString& text, const Style& style,
                                           std::optional<double> wrapWidth)
    : m_style(style) {
    const double fontSize = usableFontSize(style.fontSize);
    // Image units per shaping pixel.
    const double scale = fontSize / kShapingPixels;
    double multiple = style.lineHeightMultiple.value_or(1);
    if (!std::isfinite(multiple) || multiple <= 0) {
        multiple = 1;
    }
    const bool wraps = wrapWidth.has_value() && std::isfinite(*wrapWidth);
    const double width = wraps ? std::max(1.0, *wrapWidth) : 0;

    const QFont font = shapingFont(style);
    QTextLayout layout(withLineSeparators(text), font);
    QTextOption option;
    option.setWrapMode(wraps ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setUseDesignMetrics(true);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);

    // First pass: break lines and measure them (image units).
    struct Measured {
        double natural = 0; // ascent + descent + leading
        double ascent = 0;
        double width = 0;
    };
    QList<Measured> measured;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(wraps ? width / scale : 1e7);
        Measured m;
        m.ascent = line.ascent() * scale;
        m.natural = (line.ascent() + line.descent() + std::max(0.0, double(line.leading()))) * scale;
        m.width = line.naturalTextWidth() * scale;
        measured << m;
    }
    layout.endLayout();

    double maxWidth = 0;
    for (const Measured& m : measured) {
        maxWidth = std::max(maxWidth, m.width);
    }
    const double boxWidth = wraps ? width : maxWidth;

    // Second pass: place each line in its slot. A line-height multiple spreads the extra space
    // evenly above and below the glyphs, so a label stays centred in its background.
    double top = 0;
    for (int i = 0; i < layout.lineCount(); ++i) {
        QTextLine line = layout.lineAt(i);
        const Measured& m = measured[i];
        const double slot = m.natural * multiple;
        double x = 0;
        switch (style.align) {
        case TextAlign::left:
            break;
        case TextAlign::center:
            x = (boxWidth - m.width) / 2;
            break;
        case TextAlign::right:
            x = boxWidth - m.width;
            break;
        }
        Line placed;
        placed.box = QRectF(0, top, boxWidth, slot);
        placed.x = x;
        placed.width = m.width;
        placed.baseline = top + (slot - m.natural) / 2 + m.ascent;
        line.setPosition(QPointF(x, placed.baseline - m.ascent) / scale);
        m_lines << placed;
        top += slot;
    }
    if (m_lines.isEmpty()) {
        // QTextLayout always yields a line; keep one line's height should that ever change.
        const QFontMetricsF metrics(font);
        Line placed;
        placed.box = QRectF(0, 0, boxWidth, metrics.height() * scale * multiple);
        placed.baseline = (placed.box.height() - metrics.height() * scale) / 2 + metrics.ascent() * scale;
        m_lines << placed;
        top = placed.box.height();
    }
    m_size = QSizeF(boxWidth, top);

    const QTransform toImage = QTransform::fromScale(scale, scale);
    m_glyphs.setFillRule(Qt::WindingFill);
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        const QList<QGlyphRun> runs = line.glyphRuns();
        for (const QGlyphRun& run : runs) {
            const QRawFont raw = run.rawFont();
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype g = 0; g < glyphs.size() && g < positions.size(); ++g) {
                QPainterPath glyph = glyphPathCache().path(raw, glyphs[g]);
                if (!glyph.isEmpty()) {
                    glyph.translate(positions[g]);
                    m_glyphs.addPath(toImage.map(glyph));
                }
            }
        }
    }

    m_decorations.setFillRule(Qt::WindingFill);
    for (const Line& line : std::as_const(m_lines)) {
        if (line.width <= 0) {
            continue;
        }
        if (style.underline) {
            addDecoration(line, *style.underline, line.baseline + kUnderlineTop * fontSize);
        }
        if (style.strike) {
            addDecoration(line, *style.strike,
                          line.baseline + kStrikeCenter * fontSize -
                              decorationHeight(*style.strike, fontSize) / 2);
        }
    }
}

double AnnotationTextLayout::decorationHeight(TextLineStyle style, double fontSize) {
    const double t = decorationThickness(fontSize);
    switch (style) {
    case TextLineStyle::single:
        return t;
    case TextLineStyle::thick:
        return 2.4 * t;
    case TextLineStyle::double_:
        return 2 * std::max(1.0, 0.8 * t) + std::max(1.5, 1.3 * t);
    }
    return t;
}

// Bars of one decoration from `top` downwards: single is one bar, thick one bar 2.4 times as
// thick, double two thinner bars with a gap.
void AnnotationTextLayout::addDecoration(const Line& line, TextLineStyle style, double top) {
    const double t = decorationThickness(usableFontSize(m_style.fontSize));
    switch (style) {
    case TextLineStyle::single:
        m_decorations.addRect(QRectF(line.x, top, line.width, t));
        break;
    case TextLineStyle::thick:
        m_decorations.addRect(QRectF(line.x, top, line.width, 2.4 * t));
        break;
    case TextLineStyle::double_: {
        // Bars and gap of at least a pixel and a half, so the two lines stay apart at small sizes.
        const double bar = std::max(1.0, 0.8 * t);
        const double gap = std::max(1.5, 1.3 * t);
        m_decorations.addRect(QRectF(line.x, top, line.width, bar));
        m_decorations.addRect(QRectF(line.x, top + bar + gap, line.width, bar));
        break;
    }
    }
}

QRectF AnnotationTextLayout::inkBounds() const {
    return m_glyphs.boundingRect().united(m_decorations.boundingRect());
}

void AnnotationTextLayout::fill(QPainter& painter, const QBrush& brush, const QPointF& offset) const {
    painter.save();
    painter.translate(offset);
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush);
    painter.drawPath(m_glyphs);
    painter.drawPath(m_decorations);
    painter.restore();
}

} // namespace mebo
