#include "document/SpotlightLayer.h"

#include <QPainter>

namespace mebo {

void SpotlightLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF SpotlightLayer::bounds() const {
    return rect.normalized();
}

LayerPtr SpotlightLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    return copy;
}

} // namespace mebo
