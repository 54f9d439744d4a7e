#include "document/CoverLayers.h"

#include "document/MagnifyLayer.h"
#include "document/MosaicLayer.h"

#include <QPainter>
#include <QPainterPathStroker>

namespace mebo {

bool CoverLayers::isCover(const DrawingLayer& layer) {
    return dynamic_cast<const MosaicLayer*>(&layer) != nullptr;
}

bool CoverLayers::readsPicture(const DrawingLayer& layer) {
    return dynamic_cast<const MosaicLayer*>(&layer) || dynamic_cast<const MagnifyLayer*>(&layer);
}

std::optional<QPainterPath> CoverLayers::area(const DrawingLayer& layer) {
    if (const auto* mosaic = dynamic_cast<const MosaicLayer*>(&layer)) {
        return mosaic->shapePath();
    }
    return std::nullopt;
}

CoverLayers::CoveredReads CoverLayers::coveredReads(const LayerList& layers, const QSize& imageSize) {
    CoveredReads out;
    out.readers = QList<bool>(layers.size(), false);
    out.seen = QList<bool>(layers.size(), false);
    QList<std::pair<qsizetype, QRectF>> covers; // the covers met so far and their bounds
    for (qsizetype i = 0; i < layers.size(); ++i) {
        const LayerPtr& layer = layers[i];
        if (!layer) {
            continue;
        }
        if (!covers.isEmpty() && readsPicture(*layer)) {
            const auto* mosaic = dynamic_cast<const MosaicLayer*>(layer.get());
            const QRectF reads =
                mosaic ? QRectF(mosaic->readPart(imageSize)) : QRectF(); // a magnifier: anywhere
            for (const auto& [index, bounds] : covers) {
                if (!mosaic || bounds.intersects(reads)) {
                    out.seen[index] = true;
                    out.readers[i] = true;
                    out.any = true;
                }
            }
        }
        if (const auto path = area(*layer)) {
            // Anti-aliased edges reach one pixel beyond the path.
            covers.append({i, path->boundingRect().adjusted(-1, -1, 1, 1)});
        }
    }
    return out;
}

bool CoverLayers::anyCoverBefore(const LayerList& layers, qsizetype index) {
    for (qsizetype i = 0; i < index && i < layers.size(); ++i) {
        if (layers[i] && isCover(*layers[i])) {
            return true;
        }
    }
    return false;
}

void CoverLayers::applyCover(QImage& image, const DrawingLayer& cover) {
    // The cover reads the pixels it hides before it paints over them (see MosaicLayer::draw).
    const QImage picture = image;
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    cover.draw(painter, picture);
}

QImage CoverLayers::coveredBase(const QImage& base, const LayerList& layers, qsizetype end) {
    if (!anyCoverBefore(layers, end) || base.isNull()) {
        return base;
    }
    QImage out = base.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.detach();
    for (qsizetype i = 0; i < end && i < layers.size(); ++i) {
        if (layers[i] && isCover(*layers[i])) {
            applyCover(out, *layers[i]);
        }
    }
    return out;
}

bool CoverLayers::settleFillMask(QImage& mask, QRect& maskRect, const QPointF& seed, const LayerList& below,
                                 const QSize& imageSize) {
    QList<QPainterPath> areas;
    for (const LayerPtr& layer : below) {
        if (const std::optional<QPainterPath> a = layer ? area(*layer) : std::nullopt) {
            areas << *a;
        }
    }
    if (areas.isEmpty()) {
        return !maskRect.isEmpty();
    }
    const QRect image(QPoint(0, 0), imageSize);
    // Seeded inside a cover (the topmost that holds it): exactly that area.
    for (qsizetype i = areas.size() - 1; i >= 0; --i) {
        if (!areas[i].contains(seed)) {
            continue;
        }
        const QRect box = areas[i].boundingRect().toAlignedRect().intersected(image);
        if (box.isEmpty()) {
            return false;
        }
        QImage whole(box.size(), QImage::Format_Grayscale8);
        whole.fill(0);
        QPainter p(&whole);
        p.translate(-box.topLeft());
        p.fillPath(areas[i], Qt::white);
        p.end();
        mask = whole;
        maskRect = box;
        return true;
    }
    // Seeded outside: nothing inside any cover. Edges are cut hard (no antialiasing), so no
    // partly painted pixel can trace what the cover hides.
    QImage cut = mask.convertToFormat(QImage::Format_Grayscale8);
    QPainter p(&cut);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.translate(-maskRect.topLeft());
    QPainterPathStroker rim;
    rim.setWidth(2); // the cover's partly covered edge pixels go too
    for (const QPainterPath& a : areas) {
        p.fillPath(a.united(rim.createStroke(a)), Qt::black);
    }
    p.end();
    // The box shrinks to what is left.
    int left = cut.width(), top = cut.height(), right = -1, bottom = -1;
    for (int y = 0; y < cut.height(); ++y) {
        const uchar* row = cut.constScanLine(y);
        for (int x = 0; x < cut.width(); ++x) {
            if (row[x]) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) {
        return false;
    }
    const QRect kept(left, top, right - left + 1, bottom - top + 1);
    mask = cut.copy(kept);
    maskRect = kept.translated(maskRect.topLeft());
    return true;
}

} // namespace mebo
