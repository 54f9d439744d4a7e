#include "ui/StatusIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <functional>

namespace mebo {

namespace {

// The frame's strokes: a dark rim under the light ink keeps them visible on any panel.
void strokeTwice(QPainter& p, qreal width, const QColor& ink, bool rim, const std::function<void()>& draw) {
    if (rim) {
        p.setPen(QPen(QColor(0x24, 0x1f, 0x31, 200), width + qMax<qreal>(1.5, width * 0.8), Qt::SolidLine,
                      Qt::RoundCap, Qt::RoundJoin));
        draw();
    }
    p.setPen(QPen(ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    draw();
}

QPixmap drawViewfinder(int size, bool recording, const QColor& ink, int countdown = 0, bool rim = true,
                       bool paused = false) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const qreal w = qMax<qreal>(1.5, s / 11.0);
    p.setBrush(Qt::NoBrush);
    const qreal m = s * 0.12; // margin
    const qreal arm = s * 0.24;
    const QRectF r(m, m, s - 2 * m, s - 2 * m);
    // Four corner brackets.
    QPainterPath brackets;
    for (int c = 0; c < 4; ++c) {
        const qreal x = c % 2 ? r.right() : r.left();
        const qreal y = c / 2 ? r.bottom() : r.top();
        const qreal dx = c % 2 ? -arm : arm;
        const qreal dy = c / 2 ? -arm : arm;
        brackets.moveTo(x + dx, y);
        brackets.lineTo(x, y);
        brackets.lineTo(x, y + dy);
    }
    strokeTwice(p, w, ink, rim, [&] { p.drawPath(brackets); });
    const QPointF centre = r.center();
    const qreal lens = s * 0.17;
    if (countdown > 0) {
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(std::max(6, int(s * 0.5)));
        QPainterPath digits;
        const QString text = QString::number(countdown);
        const QFontMetricsF fm(font);
        digits.addText(centre.x() - fm.horizontalAdvance(text) / 2, centre.y() + fm.capHeight() / 2, font,
                       text);
        p.setPen(QPen(QColor(0x24, 0x1f, 0x31, 200), qMax<qreal>(1.5, w * 0.8)));
        p.setBrush(Qt::NoBrush);
        p.drawPath(digits);
        p.fillPath(digits, ink);
    } else if (recording && paused) {
        // Two amber bars where the red lens was.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xe5, 0xa5, 0x0a));
        const qreal barW = lens * 0.7;
        const qreal barH = lens * 2.3;
        p.drawRoundedRect(QRectF(centre.x() - barW * 1.3, centre.y() - barH / 2, barW, barH), barW / 3,
                          barW / 3);
        p.drawRoundedRect(QRectF(centre.x() + barW * 0.3, centre.y() - barH / 2, barW, barH), barW / 3,
                          barW / 3);
    } else if (recording) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xe0, 0x1b, 0x24));
        p.drawEllipse(centre, lens * 1.15, lens * 1.15);
    } else {
        strokeTwice(p, w, ink, rim, [&] { p.drawEllipse(centre, lens, lens); });
    }
    return pm;
}

} // namespace

QIcon StatusIcon::viewfinder(bool recording) {
    QIcon icon;
    // Panels are light or dark; a mid-grey outline would vanish on neither, but a light ink on the
    // usual dark panels is what desktop trays expect.
    for (int size : {16, 22, 24, 32, 48, 64}) {
        icon.addPixmap(drawViewfinder(size, recording, QColor(0xf6, 0xf5, 0xf4)));
    }
    return icon;
}

QIcon StatusIcon::recordingPaused() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        icon.addPixmap(drawViewfinder(size, true, QColor(0xf6, 0xf5, 0xf4), 0, true, true));
    }
    return icon;
}

QIcon StatusIcon::countdown(int seconds) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        icon.addPixmap(drawViewfinder(size, false, QColor(0xf6, 0xf5, 0xf4), seconds));
    }
    return icon;
}

QIcon StatusIcon::application() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal r = size * 0.22;
        QLinearGradient g(0, 0, 0, size);
        g.setColorAt(0, QColor(0x38, 0xab, 0xff));
        g.setColorAt(1, QColor(0x1c, 0x71, 0xd8));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(QRectF(size * 0.04, size * 0.04, size * 0.92, size * 0.92), r, r);
        p.drawPixmap(QRectF(size * 0.14, size * 0.14, size * 0.72, size * 0.72),
                     drawViewfinder(int(size * 0.72), false, Qt::white, 0, false), QRectF());
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace mebo
