#include "document/LayerEffects.h"

#include "document/ImageFilters.h"

#include <QPaintDevice>
#include <cmath>

namespace mebo {

void paintWithEffects(QPainter& painter, ShadowStyle shadow, double opacity, const QRectF& bounds,
                      const std::function<void(QPainter&)>& paint, QPainter::CompositionMode composition) {
    if (!std::isfinite(opacity)) {
        opacity = 1;
    }
    opacity = std::clamp(opacity, 0.0, 1.0);
    const ShadowParams params = shadowParams(shadow);
    painter.save();
    if (params.alpha <= 0 && opacity >= 1) {
        painter.setCompositionMode(composition);
        paint(painter);
        painter.restore();
        return;
    }
    if (opacity <= 0) {
        painter.restore();
        return;
    }

    // The buffer covers the content in device pixels, limited to the device (plus the shadow's
    // reach, so a shadow cast into view from just outside still shows).
    const double reach =
        std::ceil(params.blurRadius * 1.5 + std::hypot(params.offset.x(), params.offset.y()));
    QRectF deviceBox = painter.transform().mapRect(bounds).adjusted(-2, -2, 2, 2);
    if (QPaintDevice* device = painter.device()) {
        const QRectF limit =
            QRectF(0, 0, device->width(), device->height()).adjusted(-reach, -reach, reach, reach);
        deviceBox = deviceBox.intersected(limit);
    }
    const QRect area = deviceBox.toAlignedRect();
    if (area.isEmpty() || qint64(area.width()) * area.height() > 400'000'000) {
        painter.restore();
        return;
    }

    const int pad = params.alpha > 0 ? int(std::ceil(params.blurRadius * 1.5)) + 1 : 0;
    QImage content(area.size() + QSize(2 * pad, 2 * pad), QImage::Format_ARGB32_Premultiplied);
    content.fill(Qt::transparent);
    {
        QPainter p(&content);
        p.setRenderHints(painter.renderHints());
        p.setTransform(painter.transform() * QTransform::fromTranslate(pad - area.x(), pad - area.y()));
        paint(p);
    }
    const QPointF origin(area.x() - pad, area.y() - pad);

    painter.resetTransform();
    painter.setOpacity(painter.opacity() * opacity);
    if (params.alpha > 0) {
        // Only the silhouette's alpha matters (the shadow is black). Wide blurs run at half
        // resolution: the result is smooth anyway and costs a quarter.
        const double sigma = params.blurRadius / 2;
        const int factor = sigma >= 2 ? 2 : 1;
        QImage silhouette = ImageFilters::alphaMask(content, factor > 1);
        ImageFilters::blurAlpha(silhouette, sigma / factor);
        const qreal contentOpacity = painter.opacity();
        painter.setOpacity(contentOpacity * params.alpha);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(origin + params.offset, QSizeF(silhouette.size() * factor)), silhouette);
        painter.setOpacity(contentOpacity);
    }
    painter.setCompositionMode(composition);
    painter.drawImage(origin, content);
    painter.restore();
}

} // namespace mebo
