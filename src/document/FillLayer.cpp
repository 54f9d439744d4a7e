#include "document/FillLayer.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace mebo {

double FillLayer::effectiveAlpha() const {
    return std::isfinite(alpha) ? std::clamp(alpha, 0.05, 1.0) : 1.0;
}

void FillLayer::draw(QPainter& painter, const QImage& base) const {
    if (base.isNull()) {
        return;
    }
    // Covers the image whatever the layer's opacity and shadow say; its own alpha is the knob.
    const QRectF image(QPointF(0, 0), QSizeF(base.size()));
    const double a = effectiveAlpha();
    painter.save();
    painter.setClipRect(image, Qt::IntersectClip);
    if (gradient) {
        painter.setOpacity(painter.opacity() * a);
        painter.fillRect(image, gradient->brushFor(image));
    } else {
        QColor c = color;
        c.setAlphaF(float(a));
        painter.fillRect(image, c);
    }
    painter.restore();
}

QRectF FillLayer::bounds() const {
    // The layer has no geometry of its own: it is as large as whatever image it is drawn over.
    return {};
}

bool FillLayer::hitTest(const QPointF&) const {
    // Covering everything, it would catch every click; it is picked from the layer list instead.
    return false;
}

LayerPtr FillLayer::translated(double, double) const {
    return unlockedCopy(*this);
}

void FillLayer::setAlpha(double value) {
    alpha = std::isfinite(value) ? std::clamp(value, 0.05, 1.0) : 1.0;
}

} // namespace mebo
