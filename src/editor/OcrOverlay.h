#pragma once

#include "document/TextLayer.h"
#include "editor/OcrResult.h"

#include <QList>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <memory>
#include <optional>

namespace mebo {

// Turns recognised lines into editable text layers over the words, and checks the rectangle of
// a region recognition. Pure geometry; the editor adds the layers as one change.
class OcrOverlay {
public:
    static constexpr int minimumBlockSide = 4;   // pixels; smaller blocks get no layer
    static constexpr int minimumRegionSide = 10; // pixels; smaller regions are not recognised

    // A box of the unit square (origin bottom-left; `bottom()` is its highest edge) in image
    // pixels with the origin top-left, unrounded.
    static QRectF imagePixels(const QRectF& normalizedBox, QSize imageSize);
    // A block's box in image pixels (origin top-left), rounded outward; nothing when narrower or
    // shorter than 4 pixels.
    static std::optional<QRect> blockRect(const QRectF& normalizedBox, QSize imageSize);
    // The label's font size for a block this many pixels high: 0.78 of it, at most 48, at least 8.
    static double fontSize(int blockHeight);
    // One text layer per block with text, at its box shifted by the canvas offset.
    static QList<std::shared_ptr<TextLayer>> textLayers(const OcrResult& result, QSize imageSize,
                                                        QPointF canvasOffset);
    // A region dragged on the canvas, in image pixels: minus the canvas offset, rounded outward,
    // clipped to the image; nothing when under 10 x 10 pixels.
    static std::optional<QRect> regionInImage(const QRectF& canvasRect, QPointF canvasOffset,
                                              QSize imageSize);
};

} // namespace mebo
