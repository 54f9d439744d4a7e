#pragma once

#include "document/DrawingLayer.h"

#include <QHash>
#include <QImage>
#include <QRect>
#include <QSet>
#include <functional>
#include <utility>

class QPainter;

namespace mebo {

// The editor's picture of the erased base with every drawable layer over it, rebuilt cheaply
// after a change:
// - one layer replaced (a drag step): only the pixels the old and the new layer can touch are
//   redrawn, clipped, and the other layers that only paint over come from a picture of each
//   (made the first time a redraw needs it), so a drag step draws one layer and copies the rest;
// - otherwise the unchanged bottom part of the list comes from a cached picture, and when the
//   layers above the change only paint over what is below them (source-over is associative),
//   they come from a cached transparent picture laid over the rest.
class CompositeCache {
public:
    // Draws one layer; the editor supplies it so that lenses use their cached source.
    using LayerPainter = std::function<void(QPainter&, const LayerPtr&)>;
    // Names the erased base a picture was made from (base and eraser revisions).
    using BaseKey = std::pair<int, int>;

    // `dependents`: layers whose drawing depends on layers below them (they read the picture
    // under covers); they are never kept as pictures of their own, and a changed cover below
    // them redraws them.
    const QImage& picture(const QImage& erased, BaseKey key, const LayerList& drawable,
                          const LayerPainter& paint, const QSet<const DrawingLayer*>& dependents = {});
    // The last picture made (null after dropPicture or clear).
    const QImage& current() const { return picture_; }
    // Forgets the picture; its layer list stays the reference for the next rebuild.
    void dropPicture() { picture_ = QImage(); }
    // Forgets everything (the base image was replaced): frees the memory at once.
    void clear();

private:
    static void drawRange(QImage& target, const LayerList& layers, int from, int to,
                          const LayerPainter& paint);
    // `region` of `target` again, from the erased base and every layer that reaches into it.
    void redrawRegion(QImage& target, const QImage& erased, const LayerList& drawable, const QRect& region,
                      int changed, const LayerPainter& paint, const QSet<const DrawingLayer*>& dependents);
    // A layer that only paints over, drawn alone on transparency over its extent (kept per layer
    // while it lives); null for other layers and for very large ones.
    struct Sprite {
        std::weak_ptr<DrawingLayer> layer;
        QImage image;
        QPoint origin;
    };
    const Sprite* spriteOf(const LayerPtr& layer, const QRect& extent, const LayerPainter& paint);

    BaseKey key_{-1, -1};
    QHash<const DrawingLayer*, Sprite> sprites_;
    qint64 spriteBytes_ = 0;
    QRect imageRect_;
    QImage picture_;
    LayerList pictureLayers_; // the drawable layers picture_ shows
    QImage prefix_;           // the erased base with prefixLayers_ drawn
    LayerList prefixLayers_;
    QImage overlay_; // overlayLayers_ alone, on transparency
    LayerList overlayLayers_;
};

} // namespace mebo
