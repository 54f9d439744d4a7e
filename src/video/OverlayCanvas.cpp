#include "video/OverlayCanvas.h"

#include <algorithm>
#include <cmath>

namespace mebo {

QPointF overlayPosition(const CursorPoint& point, const QRectF& frameRect) {
    return {frameRect.left() + std::clamp(point.x, 0.0, 1.0) * frameRect.width(),
            frameRect.top() + std::clamp(point.y, 0.0, 1.0) * frameRect.height()};
}

QRectF boundsOf(const QList<QPointF>& points) {
    if (points.isEmpty()) {
        return {};
    }
    double x0 = points.first().x(), x1 = x0, y0 = points.first().y(), y1 = y0;
    for (const QPointF& p : points) {
        x0 = std::min(x0, p.x());
        x1 = std::max(x1, p.x());
        y0 = std::min(y0, p.y());
        y1 = std::max(y1, p.y());
    }
    return QRectF(QPointF(x0, y0), QPointF(x1, y1));
}

OverlayCanvas::OverlayCanvas(const QRectF& area, const QRectF& limit) {
    // QRectF's top() is the smaller y: in this bottom-left space, the bottom edge.
    const QRectF clipped = area.intersected(limit);
    if (clipped.width() <= 0 || clipped.height() <= 0) {
        return;
    }
    const int x0 = int(std::floor(clipped.left()));
    const int y0 = int(std::floor(clipped.top()));
    const int x1 = int(std::ceil(clipped.right()));
    const int y1 = int(std::ceil(clipped.bottom()));
    area_ = QRect(x0, y0, x1 - x0, y1 - y0);
    image_ = QImage(area_.size(), QImage::Format_ARGB32_Premultiplied);
    image_.fill(Qt::transparent);
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setRenderHint(QPainter::Antialiasing);
}

QPointF OverlayCanvas::map(const QPointF& p) const {
    return {p.x() - area_.x(), double(area_.y() + area_.height()) - p.y()};
}

FrameOverlay OverlayCanvas::finish() {
    painter_.reset();
    return {std::move(image_), QPointF(area_.x(), area_.y())};
}

} // namespace mebo
