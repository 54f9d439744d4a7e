#pragma once

#include "document/DrawingLayer.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <memory>

namespace mebo {

// Layers drawn alone on transparency, in base-image pixels, so that a composite is a series of
// copies that can be made by several threads at once. Laid over what is below it (source-over,
// which is associative), a layer's picture gives what drawing the layer there gives.
//
// Pictures are made in parallel (`parallelFor`); those of layers that draw without reading the
// base are kept by layer identity (layers are never changed once made) while the layer lives,
// within a byte budget, so a second export or render of the same layers copies them. Layers that
// do not only paint over (a highlighter multiplies, a cut-out erases) or cover a large part of
// the image get no picture: they are drawn straight into the composite.
class LayerPictures {
public:
    struct Picture {
        QImage image; // premultiplied ARGB
        QPoint origin; // of image, in base-image pixels
    };
    using PicturePtr = std::shared_ptr<const Picture>;

    // One entry per layer (null: draw the layer itself). `source` is what sampling layers read
    // (the erased base); `imageRect` bounds every picture.
    static QList<PicturePtr> make(const LayerList& layers, const QImage& source, const QRect& imageRect);

    // The cache's bytes now, and its budget (the oldest pictures go first when it is full).
    static qint64 cachedBytes();
    static constexpr qint64 kBudgetBytes = 256LL << 20;
    // Forgets every kept picture (tests).
    static void clearCache();
};

} // namespace mebo
