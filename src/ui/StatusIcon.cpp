#include "ui/StatusIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace mebo {

namespace {

QPixmap drawViewfinder(int size, bool recording, const QColor& ink) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const qreal w = qMax<qreal>(1.5, s / 11.0);
    QPen pen(ink, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal m = s * 0.12; // margin
    const qreal arm = s * 0.24;
    const QRectF r(m, m, s - 2 * m, s - 2 * m);
    // Four corner brackets.
    for (int c = 0; c < 4; ++c) {
        const qreal x = c % 2 ? r.right() : r.left();
        const qreal y = c / 2 ? r.bottom() : r.top();
        const qreal dx = c % 2 ? -arm : arm;
        const qreal dy = c / 2 ? -arm : arm;
        QPainterPath path;
        path.moveTo(x + dx, y);
        path.lineTo(x, y);
        path.lineTo(x, y + dy);
        p.drawPath(path);
    }
    const QPointF centre = r.center();
    const qreal lens = s * 0.17;
    if (recording) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xe0, 0x1b, 0x24));
        p.drawEllipse(centre, lens * 1.15, lens * 1.15);
    } else {
        p.drawEllipse(centre, lens, lens);
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
                     drawViewfinder(int(size * 0.72), false, Qt::white), QRectF());
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace mebo
