#include "document/DocumentFlattener.h"

#include "document/CoverLayers.h"
#include "document/EraserStrokeLayer.h"

#include <QPainter>

namespace mebo {

namespace {

bool isEraser(const LayerPtr& layer) {
    return dynamic_cast<const EraserStrokeLayer*>(layer.get()) != nullptr;
}
} // namespace

QImage DocumentFlattener::applyErasers(const QImage& base, const LayerList& layers) {
    bool any = false;
    for (const LayerPtr& layer : layers) {
        if (isEraser(layer)) {
            any = true;
            break;
        }
    }
    // Without erasers the base is used as it is: converting a 4K capture costs more than
    // drawing most documents.
    if (!any || base.isNull()) {
        return base;
    }
    QImage erased = base.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&erased);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const LayerPtr& layer : layers) {
        if (const auto* eraser = dynamic_cast<const EraserStrokeLayer*>(layer.get())) {
            eraser->applyToBase(painter);
        }
    }
    return erased;
}

void DocumentFlattener::drawLayers(QPainter& painter, const QImage& erasedBase, const LayerList& layers) {
    // What sampling layers read: the erased base with the covers drawn so far, so a magnifier or
    // a blur above a mosaic shows the mosaic, never what it hides.
    QImage covered = erasedBase;
    bool coveredStarted = false;
    for (qsizetype i = 0; i < layers.size(); ++i) {
        const LayerPtr& layer = layers[i];
        if (!layer || isEraser(layer)) {
            continue;
        }
        painter.save();
        layer->draw(painter, covered);
        painter.restore();
        if (CoverLayers::isCover(*layer) && i + 1 < layers.size()) {
            if (!coveredStarted) {
                covered = erasedBase.convertToFormat(QImage::Format_ARGB32_Premultiplied);
                covered.detach();
                coveredStarted = true;
            }
            CoverLayers::applyCover(covered, *layer);
        }
    }
}

QImage DocumentFlattener::flatten(const QImage& base, const LayerList& layers, const QRectF& canvasRect) {
    if (base.isNull()) {
        return {};
    }
    const QRect crop = canvasRect.normalized().toAlignedRect().intersected(base.rect());
    if (crop.isEmpty()) {
        return {};
    }
    const QImage erased = applyErasers(base, layers);
    // The base becomes the output buffer in one conversion (RGB32 to premultiplied ARGB only sets
    // the alpha bytes), rather than clearing a buffer and painting the base into it.
    QImage out = (crop == erased.rect() ? erased : erased.copy(crop))
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.detach();

    QPainter painter(&out);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                           QPainter::TextAntialiasing);
    painter.translate(-crop.topLeft());
    drawLayers(painter, erased, layers);
    painter.end();
    return out;
}

} // namespace mebo
