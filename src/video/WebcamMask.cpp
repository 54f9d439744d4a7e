#include "video/WebcamMask.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace mebo {

QSize WebcamMask::renderSize(QSizeF size) {
    auto side = [](double v) {
        const double r = std::isfinite(v) ? std::max(std::round(v), 2.0) : 2.0;
        const int i = int(std::min(r, 16384.0));
        return i % 2 ? i + 1 : i;
    };
    return {side(size.width()), side(size.height())};
}

double WebcamMask::roundedRadius(double radius, QSize size) {
    const double r = std::isfinite(radius) ? std::max(radius, 0.0) : 0.0;
    return std::min(r, std::min(size.width(), size.height()) / 2.0);
}

QImage WebcamMask::maskImage(QSize size, WebcamMaskShape shape, double radius) {
    QImage mask(size, QImage::Format_Grayscale8);
    mask.fill(0);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const QRectF all(0, 0, size.width(), size.height());
    switch (shape) {
    case WebcamMaskShape::circle:
        p.drawEllipse(all);
        break;
    case WebcamMaskShape::rect:
        p.fillRect(all, Qt::white);
        break;
    case WebcamMaskShape::rounded: {
        const double r = roundedRadius(radius, size);
        QPainterPath path;
        path.setFillRule(Qt::WindingFill);
        path.addRoundedRect(all, r, r);
        p.drawPath(path);
        break;
    }
    }
    return mask;
}

QImage WebcamMask::coverFit(const QImage& frame, QSize size) {
    if (frame.isNull() || size.isEmpty()) {
        return {};
    }
    if (frame.size() == size) {
        return frame;
    }
    const QImage scaled = frame.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return scaled.copy((scaled.width() - size.width()) / 2, (scaled.height() - size.height()) / 2,
                       size.width(), size.height());
}

QImage WebcamMask::apply(const QImage& frame, const QImage& mask) {
    QImage out = frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (out.size() != mask.size()) {
        return out;
    }
    for (int y = 0; y < out.height(); ++y) {
        auto* px = reinterpret_cast<QRgb*>(out.scanLine(y));
        const uchar* m = mask.constScanLine(y);
        for (int x = 0; x < out.width(); ++x) {
            const uint a = m[x];
            if (a == 255) {
                continue;
            }
            const QRgb c = px[x];
            // Premultiplied: every channel scales with the mask.
            px[x] = qRgba(qRed(c) * a / 255, qGreen(c) * a / 255, qBlue(c) * a / 255, qAlpha(c) * a / 255);
        }
    }
    return out;
}

QString WebcamMask::readerCreationFailed(const QString& message) {
    return QStringLiteral("建立 webcam reader 失敗: ") + message;
}

QString WebcamMask::readerFailed(const QString& message) {
    return QStringLiteral("webcam reader 失敗: ") + message;
}

QString WebcamMask::noVideoTrack() {
    return QStringLiteral("webcam 缺少 video track");
}

QString WebcamMask::cancelled() {
    return QStringLiteral("webcam mask render 已取消");
}

} // namespace mebo
