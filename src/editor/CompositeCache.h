#pragma once

#include "document/DrawingLayer.h"

#include <QImage>
#include <QRect>
#include <functional>
#include <utility>

class QPainter;

namespace mebo {

// The editor's picture of the erased base with every drawable layer over it, rebuilt cheaply
// after a change:
// - one layer replaced (a drag step): only the pixels the old and the new layer can touch are
//   redrawn, clipped;
// - otherwise the unchanged bottom part of the list comes from a cached picture, and when the
//   layers above the change only paint over what is below them (source-over is associative),
//   they come from a cached transparent picture laid over the rest.
class CompositeCache {
public:
    // Draws one layer; the editor supplies it so that lenses use their cached source.
    using LayerPainter = std::function<void(QPainter&, const LayerPtr&)>;
    // Names the erased base a picture was made from (base and eraser revisions).
    using BaseKey = std::pair<int, int>;

    const QImage& picture(const QImage& erased, BaseKey key, const LayerList& drawable,
                          const LayerPainter& paint);
    // The last picture made (null after dropPicture or clear).
    const QImage& current() const { return picture_; }
    // Forgets the picture; its layer list stays the reference for the next rebuild.
    void dropPicture() { picture_ = QImage(); }
    // Forgets everything (the base image was replaced): frees the memory at once.
    void clear();

private:
    static void drawRange(QImage& target, const LayerList& layers, int from, int to,
                          const LayerPainter& paint);
    void redrawRegion(QImage& target, const QImage& erased, const LayerList& drawable, const QRect& region,
                      const LayerPainter& paint) const;
    BaseKey key_{-1, -1};
    QRect imageRect_;
    QImage picture_;
    LayerList pictureLayers_; // the drawable layers picture_ shows
    QImage prefix_;           // the erased base with prefixLayers_ drawn
    LayerList prefixLayers_;
    QImage overlay_; // overlayLayers_ alone, on transparency
    LayerList overlayLayers_;
};

} // namespace mebo
