#pragma once

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace mebo::test {

// A small made-up application window: title bar, avatar, lines of "text" and a button. Drawn
// without fonts so it is the same on every machine.
inline QImage sampleScreenshot(int w = 160, int h = 120) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(0xe9, 0xed, 0xf3));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRectF card(8, 8, w - 16, h - 16);
    QPainterPath cardPath;
    cardPath.addRoundedRect(card, 8, 8);
    p.fillPath(cardPath, Qt::white);
    p.save();
    p.setClipPath(cardPath);
    p.fillRect(QRectF(card.left(), card.top(), card.width(), 16), QColor(0x34, 0x3a, 0x46));
    p.restore();
    const QColor dots[] = {QColor(0xff, 0x5f, 0x57), QColor(0xfe, 0xbc, 0x2e), QColor(0x28, 0xc8, 0x40)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(dots[i]);
        p.drawEllipse(QPointF(card.left() + 10 + 9 * i, card.top() + 8), 3, 3);
    }
    p.setBrush(QColor(0xf0, 0x7a, 0x1a));
    p.drawEllipse(QPointF(card.left() + 18, card.top() + 34), 10, 10);
    p.setBrush(QColor(0x2f, 0x6f, 0xde));
    p.drawEllipse(QPointF(card.left() + 18, card.top() + 34), 5, 5);
    const double widths[] = {0.62, 0.48, 0.7, 0.55, 0.66, 0.4};
    for (int i = 0; i < 6; ++i) {
        const double y = card.top() + 27 + 9.5 * i;
        if (y + 4 > card.bottom() - 22) {
            break;
        }
        const double x = i < 2 ? card.left() + 34 : card.left() + 8;
        p.setBrush(i == 0 ? QColor(0x1f, 0x23, 0x2b) : QColor(0x8a, 0x93, 0xa3));
        p.drawRoundedRect(QRectF(x, y, (card.right() - 8 - x) * widths[i], 4.5), 2, 2);
    }
    p.setBrush(QColor(0x2f, 0x6f, 0xde));
    p.drawRoundedRect(QRectF(card.right() - 52, card.bottom() - 18, 44, 12), 4, 4);
    p.setBrush(QColor(0x2e, 0xa0, 0x4f));
    p.drawRoundedRect(QRectF(card.left() + 8, card.bottom() - 18, 30, 12), 4, 4);
    p.end();
    return img;
}

} // namespace mebo::test
