#include "document/DocumentFlattener.h"

#include "app/ParallelFor.h"
#include "document/CoverLayers.h"
#include "document/EraserStrokeLayer.h"
#include "document/LayerPictures.h"

#include <QPainter>
#include <algorithm>

namespace mebo {

namespace {

bool isEraser(const LayerPtr& layer) {
    return dynamic_cast<const EraserStrokeLayer*>(layer.get()) != nullptr;
}

// Output bands: at least this many rows each, at most this many at once.
constexpr int kBandRows = 256;
constexpr int kMaxBands = 8;
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

    // Layers above a cover read the covered picture, which changes down the list: those stacks are
    // drawn in order on one painter.
    const auto coverBelowAnother = [&] {
        for (qsizetype i = 0; i + 1 < layers.size(); ++i) {
            if (layers.at(i) && CoverLayers::isCover(*layers.at(i))) {
                return true;
            }
        }
        return false;
    };
    if (coverBelowAnother()) {
        QPainter painter(&out);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                               QPainter::TextAntialiasing);
        painter.translate(-crop.topLeft());
        drawLayers(painter, erased, layers);
        return out;
    }

    // Every small layer is drawn once, alone, on several threads; the bands of the output are
    // then made at the same time, each laying the pictures over its rows in list order and
    // drawing the other layers (multiplying, erasing or large ones) clipped to itself.
    const QList<LayerPictures::PicturePtr> pictures = LayerPictures::make(layers, erased, erased.rect());
    uchar* const bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    const int bandCount = std::clamp(out.height() / kBandRows, 1, kMaxBands);
    parallelFor(
        bandCount,
        [&](int b) {
            const int top = out.height() * b / bandCount;
            const int bottom = out.height() * (b + 1) / bandCount;
            // A band is an image of its own over the output's rows, with its own paint engine.
            QImage band(bits + top * stride, out.width(), bottom - top, stride,
                        QImage::Format_ARGB32_Premultiplied);
            const QRect rows(crop.x(), crop.y() + top, crop.width(), bottom - top); // image pixels
            QPainter painter(&band);
            painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                                   QPainter::TextAntialiasing);
            painter.translate(-rows.topLeft());
            for (qsizetype i = 0; i < layers.size(); ++i) {
                const LayerPtr& layer = layers.at(i);
                if (!layer || isEraser(layer)) {
                    continue;
                }
                if (const LayerPictures::PicturePtr& picture = pictures.at(i)) {
                    if (QRect(picture->origin, picture->image.size()).intersects(rows)) {
                        painter.drawImage(picture->origin, picture->image);
                    }
                    continue;
                }
                painter.save();
                layer->draw(painter, erased);
                painter.restore();
            }
        },
        "mebo.flatten");
    return out;
}

} // namespace mebo
