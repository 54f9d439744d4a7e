#include "document/RegionFillLayer.h"

#include <QPainter>

namespace mebo {

void RegionFillLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF RegionFillLayer::bounds() const {
    return maskRect;
}

LayerPtr RegionFillLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->maskRect.translate(dx, dy);
    copy->seedPoint += QPointF(dx, dy);
    return copy;
}

} // namespace mebo
