#include "document/SimplifyLayer.h"

#include <QPainter>

namespace mebo {

void SimplifyLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF SimplifyLayer::bounds() const {
    return rect.normalized();
}

LayerPtr SimplifyLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    return copy;
}

} // namespace mebo
