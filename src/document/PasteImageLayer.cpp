#include "document/PasteImageLayer.h"

#include "document/LayerEffects.h"

#include <QPainter>

namespace mebo {

void PasteImageLayer::draw(QPainter& painter, const QImage& base) const {
    const QRectF target = rect.normalized();
    if (image.isNull() || target.isEmpty()) {
        return;
    }
    paintWithEffects(painter, shadow, opacity, target, [&](QPainter& p) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, image);
    });
}

QRectF PasteImageLayer::bounds() const {
    return rect.normalized();
}

LayerPtr PasteImageLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    return copy;
}

} // namespace mebo
