#include "document/PasteImageLayer.h"

#include <QPainter>

namespace mebo {

void PasteImageLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF PasteImageLayer::bounds() const {
    return rect.normalized();
}

LayerPtr PasteImageLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    return copy;
}

} // namespace mebo
