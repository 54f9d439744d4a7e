#pragma once

#include "document/DrawingLayer.h"

#include <QImage>
#include <QPainterPath>
#include <QRect>
#include <optional>

namespace mebo {

// Layers that hide what lies under them (mosaic, blur and solid covers) and what the layers above
// them may show of it. A layer that reads the picture (a magnifier, a blur above a mosaic, a cut
// shifting the picture) reads the base with the covers below it applied, so it can never show the
// covered content again; a region fill paints a cover's area entirely or not at all, so its mask
// cannot trace the shapes under the cover.
class CoverLayers {
public:
    static bool isCover(const DrawingLayer& layer);
    // Whether drawing the layer reads the picture under it (mosaic, blur, magnifier).
    static bool readsPicture(const DrawingLayer& layer);
    // What the cover hides, in image pixels; nothing for other layers.
    static std::optional<QPainterPath> area(const DrawingLayer& layer);
    // Which layers read pixels that a cover below them has changed (`readers`: a magnifier above
    // any cover, a mosaic whose pixels reach a cover below it), and which covers some such reader
    // sees (`seen`). Layers that are no such reader can read the uncovered picture.
    struct CoveredReads {
        QList<bool> readers;
        QList<bool> seen;
        bool any = false;
    };
    static CoveredReads coveredReads(const LayerList& layers, const QSize& imageSize);
    // Whether a cover lies before `index` in `layers` (the layer there would read covered pixels).
    static bool anyCoverBefore(const LayerList& layers, qsizetype index);
    // `base` with the covers among `layers[0, end)` drawn over it, in order; `base` itself when
    // there is none. Premultiplied ARGB when covers were drawn.
    static QImage coveredBase(const QImage& base, const LayerList& layers, qsizetype end);
    // Draws `cover` into `image`, reading `image` itself as the picture it covers.
    static void applyCover(QImage& image, const DrawingLayer& cover);

    // A fill mask (8-bit grey over `maskRect`, 255 inside) made all or nothing inside the covers
    // of `below`: when `seed` lies in a cover the fill becomes exactly that cover's area, otherwise
    // every cover's area is taken out of it. Answers false when nothing is left to fill.
    static bool settleFillMask(QImage& mask, QRect& maskRect, const QPointF& seed, const LayerList& below,
                               const QSize& imageSize);
};

} // namespace mebo
