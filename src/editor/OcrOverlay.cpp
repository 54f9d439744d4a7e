#include "editor/OcrOverlay.h"

#include <algorithm>

namespace mebo {

QRectF OcrOverlay::imagePixels(const QRectF& box, QSize imageSize) {
    const double w = imageSize.width();
    const double h = imageSize.height();
    return QRectF(box.left() * w, (1.0 - box.bottom()) * h, box.width() * w, box.height() * h);
}

std::optional<QRect> OcrOverlay::blockRect(const QRectF& box, QSize imageSize) {
    const QRect rect = imagePixels(box, imageSize).toAlignedRect();
    if (rect.width() < minimumBlockSide || rect.height() < minimumBlockSide) {
        return std::nullopt;
    }
    return rect;
}

double OcrOverlay::fontSize(int blockHeight) {
    return std::max(std::min(blockHeight * 0.78, 48.0), 8.0);
}

QList<std::shared_ptr<TextLayer>> OcrOverlay::textLayers(const OcrResult& result, QSize imageSize,
                                                         QPointF canvasOffset) {
    QList<std::shared_ptr<TextLayer>> out;
    for (const OcrTextBlock& block : result.blocks) {
        const QString text = block.text.trimmed();
        if (text.isEmpty()) {
            continue;
        }
        const auto rect = blockRect(block.normalizedBoundingBox, imageSize);
        if (!rect) {
            continue;
        }
        auto layer = std::make_shared<TextLayer>();
        layer->text = text;
        layer->fontSize = fontSize(rect->height());
        layer->position = QPointF(rect->topLeft()) + canvasOffset;
        layer->opacity = 1;
        layer->shadow = ShadowStyle::none;
        layer->isLocked = false;
        out.append(std::move(layer));
    }
    return out;
}

std::optional<QRect> OcrOverlay::regionInImage(const QRectF& canvasRect, QPointF canvasOffset,
                                               QSize imageSize) {
    const QRectF r = canvasRect.normalized().translated(-canvasOffset);
    const QRect inImage = r.toAlignedRect().intersected(QRect(QPoint(0, 0), imageSize));
    if (inImage.width() < minimumRegionSide || inImage.height() < minimumRegionSide) {
        return std::nullopt;
    }
    return inImage;
}

} // namespace mebo
