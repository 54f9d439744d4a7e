#include "document/HighlighterLayer.h"

#include <QPainter>

namespace mebo {

void HighlighterLayer::draw(QPainter& painter, const QImage& base) const {}

QRectF HighlighterLayer::bounds() const {
    return rect.normalized();
}

LayerPtr HighlighterLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    return copy;
}

} // namespace mebo
