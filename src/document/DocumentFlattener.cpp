#include "document/DocumentFlattener.h"

#include "app/LargeImage.h"
#include "app/ParallelFor.h"
#include "document/CoverLayers.h"
#include "document/EraserStrokeLayer.h"
#include "document/LayerPictures.h"
#include "document/MosaicLayer.h"

#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cstring>

namespace mebo {

namespace {

bool isEraser(const LayerPtr& layer) {
    return dynamic_cast<const EraserStrokeLayer*>(layer.get()) != nullptr;
}

// Output bands: at least this many rows each, at most this many at once.
constexpr int kBandRows = 256;
constexpr int kMaxBands = 8;

// The picture the readers of covered pixels read, before any cover is applied: the erased base,
// but only where those readers and the covers they see read or paint. The rest of the buffer is
// never written nor read, so its pages are never touched (a full 4K copy costs more in page
// faults than the whole composite of the covers).
QImage coveredWorkspace(const QImage& erased, const LayerList& layers,
                        const CoverLayers::CoveredReads& reads) {
    QRegion used;
    for (qsizetype i = 0; i < layers.size(); ++i) {
        if (!layers[i] || (!reads.readers[i] && !reads.seen[i])) {
            continue;
        }
        const auto* mosaic = dynamic_cast<const MosaicLayer*>(layers[i].get());
        if (!mosaic) {
            return erased.convertToFormat(QImage::Format_ARGB32_Premultiplied); // may read anywhere
        }
        used += mosaic->readPart(erased.size());
        used += mosaic->imagePart(erased.size());
    }
    QImage covered = largeImage(erased.width(), erased.height(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&covered);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& r : used) {
        painter.drawImage(r.topLeft(), erased, r);
    }
    return covered;
}

// `crop` of `base` into `out` (same size): opaque RGB32 pixels are already premultiplied ARGB.
void copyBase(const QImage& base, const QRect& crop, QImage& out) {
    if (base.format() == QImage::Format_RGB32 || base.format() == QImage::Format_ARGB32_Premultiplied) {
        const size_t rowBytes = size_t(crop.width()) * 4;
        for (int y = 0; y < crop.height(); ++y) {
            std::memcpy(out.scanLine(y), base.constScanLine(crop.y() + y) + size_t(crop.x()) * 4, rowBytes);
        }
        return;
    }
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), base, crop);
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
    // The base is copied into the output buffer once, rather than clearing a buffer and painting
    // the base into it.
    QImage out = largeImage(crop.width(), crop.height(), QImage::Format_ARGB32_Premultiplied);
    copyBase(erased, crop, out);

    // Every small layer is drawn once, alone, on several threads; the bands of the output are
    // then made at the same time, each laying the pictures over its rows in list order and
    // drawing the other layers (multiplying, erasing or large ones) clipped to itself.
    const CoverLayers::CoveredReads reads = CoverLayers::coveredReads(layers, erased.size());
    LayerList plain = layers;
    for (qsizetype i = 0; i < layers.size(); ++i) {
        if (reads.readers[i]) {
            plain[i] = nullptr; // drawn below, from the covered picture
        }
    }
    QList<LayerPictures::PicturePtr> pictures = LayerPictures::make(plain, erased, erased.rect());
    // What each layer drawn straight reads: the erased base, or for a reader of covered pixels
    // the base with the covers below it applied (then usually a picture, made here in list order).
    QList<QImage> sources(layers.size());
    if (reads.any) {
        QImage covered = coveredWorkspace(erased, layers, reads);
        for (qsizetype i = 0; i < layers.size(); ++i) {
            const LayerPtr& layer = layers.at(i);
            if (!layer || isEraser(layer)) {
                continue;
            }
            if (reads.readers[i]) {
                pictures[i] = LayerPictures::make({layer}, covered, erased.rect()).value(0);
                if (!pictures[i]) {
                    sources[i] = covered; // a large layer: shares this state of the picture
                }
            }
            if (reads.seen[i]) {
                if (const LayerPictures::PicturePtr& picture = pictures.at(i)) {
                    QPainter painter(&covered);
                    if (const auto* mosaic = dynamic_cast<const MosaicLayer*>(layer.get())) {
                        painter.setClipRect(mosaic->imagePart(covered.size())); // what it covers
                    }
                    painter.drawImage(picture->origin, picture->image);
                } else {
                    CoverLayers::applyCover(covered, *layer);
                }
            }
        }
    }
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
                layer->draw(painter, sources.at(i).isNull() ? erased : sources.at(i));
                painter.restore();
            }
        },
        "mebo.flatten");
    return out;
}

} // namespace mebo
