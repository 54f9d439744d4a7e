#include "document/TextLayer.h"

#include "document/LayerEffects.h"
#include "document/ShapePaths.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace mebo {

namespace {

constexpr double kVisibleAlpha = 0.01;
constexpr double kDefaultOutlinePercent = 30;
constexpr double kDefaultBackgroundRadius = 6;

} // namespace

AnnotationTextLayout::Style TextLayer::textStyle() const {
    AnnotationTextLayout::Style style;
    style.fontFamily = fontFamily;
    style.fontWeight = fontWeight;
    style.fontSize = fontSize;
    style.italic = italic;
    style.trackingPt = trackingPt;
    style.lineHeightMultiple = lineHeightMultiple;
    style.align = align;
    if (underline) {
        style.underline = underlineStyle.value_or(TextLineStyle::single);
    }
    if (strike) {
        style.strike = strikeStyle.value_or(TextLineStyle::single);
    }
    return style;
}

AnnotationTextLayout TextLayer::layout() const {
    return AnnotationTextLayout(text, textStyle());
}

bool TextLayer::hasVisibleBackground() const {
    return backgroundColor.alphaF() > kVisibleAlpha;
}

QSizeF TextLayer::padding() const {
    if (hasVisibleBackground() && backgroundPadding && std::isfinite(*backgroundPadding)) {
        return QSizeF(*backgroundPadding, *backgroundPadding);
    }
    return QSizeF(8, 6);
}

QRectF TextLayer::box() const {
    return frameFor(layout());
}

double TextLayer::backgroundRadius() const {
    const double radius = backgroundCornerRadius.value_or(kDefaultBackgroundRadius);
    return ShapePaths::clampedRadius(box(), radius);
}

double TextLayer::outlinePercent() const {
    double percent = std::abs(outlineWidthPercent.value_or(kDefaultOutlinePercent));
    if (!std::isfinite(percent) || percent <= 0.001 || outlineColor.alphaF() <= kVisibleAlpha) {
        return 0;
    }
    return percent;
}

double TextLayer::outlineRingRadius() const {
    const double percent = outlinePercent();
    if (percent <= 0) {
        return 0;
    }
    return std::max(AnnotationTextLayout::usableFontSize(fontSize) * percent / 100, 1.0);
}

double TextLayer::outlineReach() const {
    const double percent = outlinePercent();
    if (percent <= 0) {
        return 0;
    }
    return outlineRingRadius() + AnnotationTextLayout::usableFontSize(fontSize) * percent / 100 / 2;
}

QList<QPointF> TextLayer::outlineOffsets(double ringRadius) {
    struct Ring {
        double scale;
        int count;
    };
    static constexpr Ring kRings[] = {{1.0, 24}, {0.72, 20}, {0.45, 16}, {0.22, 12}};
    QList<QPointF> offsets;
    if (!std::isfinite(ringRadius)) {
        return offsets;
    }
    for (const Ring& ring : kRings) {
        const double r = ringRadius * ring.scale;
        if (r <= 0.35) {
            continue;
        }
        for (int i = 0; i < ring.count; ++i) {
            const double angle = 2 * std::numbers::pi * i / ring.count;
            offsets << QPointF(r * std::cos(angle), r * std::sin(angle));
        }
    }
    return offsets;
}

QRectF TextLayer::bounds() const {
    return coverage(layout());
}

QRectF TextLayer::frameFor(const AnnotationTextLayout& textLayout) const {
    const QSizeF pad = padding();
    return QRectF(position, QSizeF(textLayout.size().width() + 2 * pad.width(),
                                   textLayout.size().height() + 2 * pad.height()))
        .normalized();
}

// The box grown by the outline's reach, plus any ink the font draws past the box (italic
// overhangs).
QRectF TextLayer::coverage(const AnnotationTextLayout& textLayout) const {
    const QRectF frame = frameFor(textLayout);
    const QSizeF pad = padding();
    const double reach = outlineReach();
    QRectF area = frame.adjusted(-reach, -reach, reach, reach);
    const QRectF ink = textLayout.inkBounds();
    if (!ink.isEmpty()) {
        area = area.united(ink.translated(frame.topLeft() + QPointF(pad.width(), pad.height()))
                               .adjusted(-reach, -reach, reach, reach));
    }
    return area;
}

void TextLayer::draw(QPainter& painter, const QImage&) const {
    const AnnotationTextLayout textLayout = layout();
    const QSizeF pad = padding();
    const QRectF frame = frameFor(textLayout);
    const QPointF origin = frame.topLeft() + QPointF(pad.width(), pad.height());
    const QRectF area = coverage(textLayout).adjusted(-1, -1, 1, 1);

    paintWithEffects(painter, shadow, opacity, area, [&](QPainter& p) {
        if (hasVisibleBackground()) {
            const double radius =
                ShapePaths::clampedRadius(frame, backgroundCornerRadius.value_or(kDefaultBackgroundRadius));
            p.setPen(Qt::NoPen);
            p.setBrush(backgroundColor);
            p.drawPath(ShapePaths::roundedRect(frame, radius));
        }

        const double percent = outlinePercent();
        if (percent > 0) {
            // The text filled and stroked in the outline colour at every ring position. A
            // translucent outline colour is painted opaque into its own buffer and laid down once,
            // so the overlapping copies do not add up to an opaque ring.
            QPainterPathStroker stroker;
            stroker.setWidth(AnnotationTextLayout::usableFontSize(fontSize) * percent / 100);
            stroker.setJoinStyle(Qt::RoundJoin);
            stroker.setCapStyle(Qt::RoundCap);
            const QPainterPath glyphStroke = stroker.createStroke(textLayout.glyphs());
            const QPainterPath barStroke = stroker.createStroke(textLayout.decorations());
            QColor opaque = outlineColor;
            opaque.setAlphaF(1);
            const QList<QPointF> offsets = outlineOffsets(outlineRingRadius());
            const auto rings = [&](QPainter& q) {
                q.setPen(Qt::NoPen);
                q.setBrush(opaque);
                for (const QPointF& offset : offsets) {
                    q.save();
                    q.translate(origin + offset);
                    q.drawPath(glyphStroke);
                    q.drawPath(barStroke);
                    q.drawPath(textLayout.glyphs());
                    q.drawPath(textLayout.decorations());
                    q.restore();
                }
            };
            if (outlineColor.alphaF() < 0.999) {
                paintWithEffects(p, ShadowStyle::none, outlineColor.alphaF(), area, rings);
            } else {
                rings(p);
            }
        }

        textLayout.fill(p, color, origin);
    });
}

LayerPtr TextLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->position += QPointF(dx, dy);
    return copy;
}

} // namespace mebo
