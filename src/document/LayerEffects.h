#pragma once

#include "document/ShadowStyle.h"

#include <QPainter>
#include <QRectF>
#include <functional>

namespace mebo {

// Draws a layer's content with its opacity and drop shadow. Content with either effect is painted
// once into a device-resolution buffer, so overlapping parts of one layer (a shaft and its head) do
// not double up, and the shadow is that buffer's blurred silhouette. `bounds` is the content's box
// in user space; anything outside it may be cut off. `composition` is how the content meets what is
// below (multiply for highlighters).
void paintWithEffects(QPainter& painter, ShadowStyle shadow, double opacity, const QRectF& bounds,
                      const std::function<void(QPainter&)>& paint,
                      QPainter::CompositionMode composition = QPainter::CompositionMode_SourceOver);

} // namespace mebo
