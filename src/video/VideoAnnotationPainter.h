#pragma once

#include "document/DrawingLayer.h"
#include "video/VideoRegions.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QString>

class QPainter;

namespace mebo {

// Draws the video's annotation regions with the image editor's layers: each region becomes the
// layer of its kind placed in the frame's pixels (text, callout, arrow, line, shape as a
// rectangle, highlight, spotlight, image), so annotations look the same in both editors.
// The layers are built once per export; drawing is pure (the export's rendering thread).
class VideoAnnotationPainter {
public:
    // `frameSize` is the size of the pictures drawn into; `scale` is pixels of that picture per
    // source pixel (font sizes and line widths are in source pixels). `assetFolder` holds the
    // image annotations' files.
    VideoAnnotationPainter(const QList<AnnotationRegion>& regions, QSize frameSize, double scale,
                           const QString& assetFolder);

    // The regions whose [startSec, endSec) holds `sourceTime`, drawn in list order.
    void draw(QPainter& painter, const QImage& frame, double sourceTime) const;
    bool isEmpty() const { return items_.isEmpty(); }

    // The layer for one region in a frame of `frameSize` (null for an image whose file is missing).
    static LayerPtr layerFor(const AnnotationRegion& region, QSize frameSize, double scale,
                             const QImage& image);

private:
    struct Item {
        double start = 0;
        double end = 0;
        LayerPtr layer;
    };
    QList<Item> items_;
};

} // namespace mebo
