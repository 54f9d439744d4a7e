#include "document/MosaicLayer.h"

#include <QPainter>

namespace mebo {

void MosaicLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF MosaicLayer::bounds() const {
    return rect.normalized();
}

LayerPtr MosaicLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    for (QPointF& p : copy->polygonPoints) {
        p += QPointF(dx, dy);
    }
    return copy;
}

} // namespace mebo
