#pragma once

#include "document/DrawingLayer.h"

#include <QRect>

namespace mebo {

// The image pixels drawing `layer` can change: its bounds plus what a drop shadow adds, or the
// whole image for the kinds that paint everywhere (a full-image fill, a spotlight's dimming).
// The composite cache redraws this much after a layer changed, and the canvas repaints it.
QRect layerPaintExtent(const DrawingLayer& layer, const QRect& imageRect);

} // namespace mebo
