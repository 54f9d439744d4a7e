#include "document/RegionFillLayer.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

// The mask as 8-bit grey, whatever format it was decoded into.
QImage greyMask(const QImage& mask) {
    return mask.format() == QImage::Format_Grayscale8 ? mask
                                                      : mask.convertToFormat(QImage::Format_Grayscale8);
}

} // namespace

QImage RegionFillLayer::coverage(const QColor& paint) const {
    const QImage grey = greyMask(mask);
    if (grey.isNull()) {
        return {};
    }
    // The grey bytes read as alpha: a view over the same rows, alive only inside this call.
    const QImage alpha(grey.constBits(), grey.width(), grey.height(), grey.bytesPerLine(),
                       QImage::Format_Alpha8);
    QImage out(grey.size(), QImage::Format_ARGB32_Premultiplied);
    out.fill(paint);
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    p.drawImage(0, 0, alpha);
    p.end();
    return out;
}

void RegionFillLayer::draw(QPainter& painter, const QImage& base) const {
    const QRectF target = maskRect.normalized();
    if (mask.isNull() || target.isEmpty()) {
        return;
    }
    // Fill and erase ignore the layer's opacity and shadow; alpha is the fill's own.
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (transparent) {
        // Clears everything drawn so far inside the mask, base image included.
        const QImage eraser = coverage(Qt::black);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        painter.drawImage(target, eraser);
    } else {
        QColor c = color;
        c.setAlphaF(float(std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1.0));
        painter.drawImage(target, coverage(c));
    }
    painter.restore();
}

QRectF RegionFillLayer::bounds() const {
    return maskRect.normalized();
}

bool RegionFillLayer::hitTest(const QPointF& point) const {
    const QRectF r = maskRect.normalized();
    if (mask.isNull() || r.isEmpty() || !DrawingLayer::hitTest(point)) {
        return false;
    }
    // Hit when a filled mask pixel lies within 4 units of the point.
    const QImage grey = greyMask(mask);
    const double sx = grey.width() / r.width();
    const double sy = grey.height() / r.height();
    const int x0 = std::max(0, int(std::floor((point.x() - 4 - r.left()) * sx)));
    const int x1 = std::min(grey.width() - 1, int(std::floor((point.x() + 4 - r.left()) * sx)));
    const int y0 = std::max(0, int(std::floor((point.y() - 4 - r.top()) * sy)));
    const int y1 = std::min(grey.height() - 1, int(std::floor((point.y() + 4 - r.top()) * sy)));
    for (int y = y0; y <= y1; ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = x0; x <= x1; ++x) {
            if (row[x] != 0) {
                return true;
            }
        }
    }
    return false;
}

LayerPtr RegionFillLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->maskRect.translate(dx, dy);
    copy->seedPoint += QPointF(dx, dy);
    return copy;
}

} // namespace mebo
