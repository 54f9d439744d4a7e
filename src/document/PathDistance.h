#pragma once

#include <QPainterPath>
#include <QPointF>

namespace mebo {

// Distances used by hit tests, in image units.
namespace PathDistance {

// Distance from `point` to the segment a-b (to a itself when a and b coincide).
double toSegment(const QPointF& point, const QPointF& a, const QPointF& b);
// Distance from `point` to the outline of a closed path (curves flattened; every subpath is
// treated as closed).
double toOutline(const QPainterPath& path, const QPointF& point);
// Inside the filled path, or within `margin` of its outline.
bool hitsShape(const QPainterPath& path, const QPointF& point, double margin);

} // namespace PathDistance

} // namespace mebo
