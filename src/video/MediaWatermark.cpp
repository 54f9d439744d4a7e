#include "video/MediaWatermark.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace mebo {

double MediaWatermark::fontSize(QSize frame) {
    return std::clamp(std::min(frame.width(), frame.height()) * 0.035, 12.0, 54.0);
}

double MediaWatermark::outlineWidth(double s) {
    return std::max(s * 0.12, 2.0);
}

double MediaWatermark::inset(double s) {
    return std::min(s * 0.9, 36.0);
}

MediaWatermark::MediaWatermark(QSize frame) {
    if (frame.isEmpty()) {
        return;
    }
    const double s = fontSize(frame);
    // Helvetica's metric twin from the URW base fonts; any bold sans where it is missing.
    QFont font(QStringLiteral("Nimbus Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, int(std::lround(s))));
    font.setWeight(QFont::Bold);
    const QString text = QString::fromLatin1(kText);
    QPainterPath path;
    path.addText(0, 0, font, text);
    const double stroke = outlineWidth(s);
    const QRectF box = path.boundingRect().adjusted(-stroke, -stroke, stroke, stroke);
    image_ = QImage(int(std::ceil(box.width())) + 1, int(std::ceil(box.height())) + 1,
                    QImage::Format_ARGB32_Premultiplied);
    image_.fill(Qt::transparent);
    {
        QPainter p(&image_);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(-box.topLeft());
        p.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.72f), stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor::fromRgbF(0.92f, 0.92f, 0.92f, 0.98f));
        p.drawPath(path);
    }
    const double in = inset(s);
    origin_ = QPoint(int(std::lround(frame.width() - in - image_.width())),
                     int(std::lround(frame.height() - in - image_.height())));
}

void MediaWatermark::stamp(QImage& frame) const {
    if (image_.isNull()) {
        return;
    }
    QPainter p(&frame);
    p.drawImage(origin_, image_);
}

} // namespace mebo
