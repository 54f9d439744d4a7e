#include "document/TextLayer.h"

#include <QPainter>

namespace mebo {

void TextLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF TextLayer::bounds() const {
    return QRectF(position, QSizeF(0, 0));
}

LayerPtr TextLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->position += QPointF(dx, dy);
    return copy;
}

} // namespace mebo
