#include "document/StepLayer.h"

#include "document/AnnotationTextLayout.h"
#include "document/LayerEffects.h"
#include "document/ShapePaths.h"
#include "document/StrokeGeometry.h"
#include "document/StrokeStyle.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

double usableRadius(double radius) {
    return std::isfinite(radius) ? std::max(0.0, radius) : 0.0;
}

} // namespace

QString StepLayer::letters(int number) {
    QString out;
    // Bijective base 26: there is no zero digit, so 26 is "Z" and 27 "AA".
    long long n = number;
    while (n > 0) {
        --n;
        out.prepend(QChar(char16_t(u'A' + n % 26)));
        n /= 26;
    }
    return out;
}

QString StepLayer::roman(int number) {
    if (number < 1 || number > 3999) {
        return {};
    }
    static constexpr struct {
        int value;
        const char* symbol;
    } kNumerals[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
                     {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
    QString out;
    int rest = number;
    for (const auto& numeral : kNumerals) {
        while (rest >= numeral.value) {
            out += QLatin1String(numeral.symbol);
            rest -= numeral.value;
        }
    }
    return out;
}

QString StepLayer::label(int number, StepSequence sequence) {
    if (number < 1) {
        return QString::number(number);
    }
    switch (sequence) {
    case StepSequence::numeric:
        return QString::number(number);
    case StepSequence::upperLetter:
        return letters(number);
    case StepSequence::lowerLetter:
        return letters(number).toLower();
    case StepSequence::upperRoman:
    case StepSequence::lowerRoman: {
        const QString numeral = roman(number);
        if (numeral.isEmpty()) {
            return QString::number(number);
        }
        return sequence == StepSequence::upperRoman ? numeral : numeral.toLower();
    }
    }
    return QString::number(number);
}

QRectF StepLayer::badgeBox() const {
    const double r = usableRadius(radius);
    return QRectF(center.x() - r, center.y() - r, 2 * r, 2 * r);
}

double StepLayer::roundedSquareRadius() const {
    const double r = usableRadius(radius);
    return ShapePaths::clampedRadius(badgeBox(), cornerRadius.value_or(0.4 * r));
}

double StepLayer::effectiveOutlineWidth() const {
    return std::isfinite(outlineWidth) ? std::max(0.0, outlineWidth) : 0.0;
}

QPainterPath StepLayer::badgePath() const {
    const QRectF box = badgeBox();
    QPainterPath path;
    switch (shape) {
    case StepShape::circle:
        path.addEllipse(box);
        break;
    case StepShape::square:
        path.addRect(box);
        break;
    case StepShape::roundedSquare:
        path = ShapePaths::roundedRect(box, roundedSquareRadius());
        break;
    case StepShape::teardrop: {
        // A round drop whose point is the middle of the box's right edge.
        const double r = box.height() / 2;
        const double x0 = box.left() + r;
        const double ym = box.center().y();
        const double xmax = box.right();
        const double minX = box.left();
        const double minY = box.top();
        const double maxY = box.bottom();
        path.moveTo(xmax, ym);
        path.cubicTo(x0 + 0.72 * r, ym + 0.58 * r, x0 + 0.56 * r, maxY, x0, maxY);
        path.cubicTo(x0 - 0.55 * r, maxY, minX, ym + 0.55 * r, minX, ym);
        path.cubicTo(minX, ym - 0.55 * r, x0 - 0.55 * r, minY, x0, minY);
        path.cubicTo(x0 + 0.56 * r, minY, x0 + 0.72 * r, ym - 0.58 * r, xmax, ym);
        path.closeSubpath();
        break;
    }
    }
    return path;
}

QPainterPath StepLayer::labelPath() const {
    const double r = usableRadius(radius);
    const QString text = label(number, sequence);
    if (r <= 0 || text.isEmpty()) {
        return {};
    }
    AnnotationTextLayout::Style style;
    style.fontFamily = fontFamily;
    style.fontWeight = fontWeight;
    style.fontSize = 1.15 * r;
    const AnnotationTextLayout layout(text, style);
    QPainterPath glyphs = layout.glyphs();
    const QRectF ink = glyphs.boundingRect();
    if (ink.isEmpty()) {
        return {};
    }
    // Round badges have less room towards their corners than square ones.
    const bool round = shape == StepShape::circle || shape == StepShape::teardrop;
    const double roomWidth = (round ? 1.42 : 1.56) * r;
    const double roomHeight = 1.0 * r;
    const double scale = std::min({1.0, roomWidth / ink.width(), roomHeight / ink.height()});
    QTransform placement;
    placement.translate(center.x(), center.y());
    placement.scale(scale, scale);
    placement.translate(-ink.center().x(), -ink.center().y());
    return placement.map(glyphs);
}

void StepLayer::draw(QPainter& painter, const QImage&) const {
    if (usableRadius(radius) <= 0) {
        return;
    }
    const QPainterPath badge = badgePath();
    const double width = effectiveOutlineWidth();
    paintWithEffects(painter, shadow, opacity, bounds().adjusted(-1, -1, 1, 1), [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPath(badge);
        if (width > 0) {
            p.setBrush(Qt::NoBrush);
            p.setPen(strokePen(outlineColor, width, outlineStyle));
            p.drawPath(badge);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(textColor);
        p.drawPath(labelPath());
    });
}

QRectF StepLayer::bounds() const {
    const double half = effectiveOutlineWidth() / 2;
    return badgeBox().adjusted(-half, -half, half, half);
}

LayerPtr StepLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->center += QPointF(dx, dy);
    return copy;
}

// The badge itself, filled or not, plus its outline and a small margin around it.
bool StepLayer::hitTest(const QPointF& point) const {
    if (usableRadius(radius) <= 0) {
        return std::hypot(point.x() - center.x(), point.y() - center.y()) <= 4;
    }
    return StrokeGeometry::hitsShape(badgePath(), point, std::max(effectiveOutlineWidth() / 2, 4.0));
}

} // namespace mebo
