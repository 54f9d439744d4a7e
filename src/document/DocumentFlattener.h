#pragma once

#include "document/DrawingLayer.h"

#include <QImage>
#include <QRectF>

class QPainter;

namespace mebo {

// Base image plus layers as one picture: what exports write and the editor canvas shows.
class DocumentFlattener {
public:
    // The base image with every eraser stroke applied (erased pixels become transparent), as
    // ARGB32 premultiplied; the base itself when there is no eraser stroke. The editor caches
    // this by base and eraser revision.
    static QImage applyErasers(const QImage& base, const LayerList& layers);
    // Draws every layer but the eraser strokes, bottom first, over whatever the painter holds.
    // `erasedBase` is what sampling layers read.
    static void drawLayers(QPainter& painter, const QImage& erasedBase, const LayerList& layers);
    // The erased base plus the layers, cropped to canvasRect (rounded outwards to whole pixels
    // and limited to the image). Null when that leaves nothing.
    static QImage flatten(const QImage& base, const LayerList& layers, const QRectF& canvasRect);
};

} // namespace mebo
