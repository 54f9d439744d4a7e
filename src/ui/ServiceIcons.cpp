#include "ui/ServiceIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace mebo {

namespace {

using Draw = void (*)(QPainter&, const QColor&);

// Each drawing works in a 16×16 box.
void drawAnt(QPainter& p, const QColor& ink) {
    p.setPen(QPen(ink, 1.2, Qt::SolidLine, Qt::RoundCap));
    for (int i = -1; i <= 1; ++i) { // legs
        p.drawLine(QPointF(8, 9 + i * 2.2), QPointF(3, 8 + i * 3.2));
        p.drawLine(QPointF(8, 9 + i * 2.2), QPointF(13, 8 + i * 3.2));
    }
    p.drawLine(QPointF(7, 3), QPointF(5.5, 1));
    p.drawLine(QPointF(9, 3), QPointF(10.5, 1));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(8, 4), 2.2, 2.0);
    p.drawEllipse(QPointF(8, 10), 3.0, 4.6);
}

void drawBulb(QPainter& p, const QColor& ink) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(8, 6.5), 4.8, 4.8);
    p.drawRect(QRectF(5.8, 9, 4.4, 3));
    p.drawRoundedRect(QRectF(6, 12.6, 4, 1.4), 0.7, 0.7);
    p.drawRoundedRect(QRectF(6.6, 14.4, 2.8, 1.2), 0.6, 0.6);
}

void drawCircleWith(QPainter& p, const QColor& ink, const QString& glyph) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(11);
    p.setFont(f);
    p.setPen(ink.lightness() > 140 ? Qt::black : Qt::white);
    p.drawText(QRectF(1, 0.5, 14, 14), Qt::AlignCenter, glyph);
}

void drawQuestion(QPainter& p, const QColor& ink) {
    drawCircleWith(p, ink, QStringLiteral("?"));
}

void drawEllipsis(QPainter& p, const QColor& ink) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setBrush(ink.lightness() > 140 ? Qt::black : Qt::white);
    for (int i = -1; i <= 1; ++i) {
        p.drawEllipse(QPointF(8 + i * 3.5, 8), 1.2, 1.2);
    }
}

void drawShield(QPainter& p, const QColor& ink) {
    QPainterPath shield;
    shield.moveTo(8, 1);
    shield.lineTo(14, 3.5);
    shield.cubicTo(14, 10, 11, 13.5, 8, 15);
    shield.cubicTo(5, 13.5, 2, 10, 2, 3.5);
    shield.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(shield);
    p.setPen(
        QPen(ink.lightness() > 140 ? Qt::black : Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF{QPointF(5.2, 8), QPointF(7.3, 10.2), QPointF(11, 5.8)});
}

Draw drawingFor(const QString& name) {
    if (name == QLatin1String("ant.fill")) {
        return drawAnt;
    }
    if (name == QLatin1String("lightbulb.fill")) {
        return drawBulb;
    }
    if (name == QLatin1String("questionmark.circle.fill")) {
        return drawQuestion;
    }
    if (name == QLatin1String("person.badge.shield.checkmark.fill")) {
        return drawShield;
    }
    return drawEllipsis;
}

QPixmap render(int size, Draw draw, const QColor& ink) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p, ink);
    return pixmap;
}

} // namespace

QIcon ServiceIcons::symbol(const QString& name, const QColor& ink) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        icon.addPixmap(render(size, drawingFor(name), ink));
    }
    return icon;
}

QIcon ServiceIcons::dot(const QColor& color) {
    QIcon icon;
    for (int size : {12, 16, 24, 32}) {
        icon.addPixmap(render(
            size,
            [](QPainter& p, const QColor& c) {
                p.setPen(Qt::NoPen);
                p.setBrush(c);
                p.drawEllipse(QPointF(8, 8), 4.5, 4.5);
            },
            color));
    }
    return icon;
}

} // namespace mebo
