#pragma once

#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

namespace mebo {

// Small geometry shared by the stroked layer kinds: distances for hit tests and Bézier sampling.
// Everything is in image units.
namespace StrokeGeometry {

// How close a click must come to an open stroke (arrow shaft, line, pen): max(8, 1.5 w).
double strokeHitTolerance(double strokeWidth);
// Distance from `p` to the segment a-b (to a itself when a = b).
double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b);
// Smallest distance from `p` to the chords joining consecutive points; to the point itself for a
// single point, infinity for none.
double distanceToPolyline(const QPointF& p, const QList<QPointF>& points);
// Smallest distance from `p` to the path's outline (curves flattened, each subpath on its own).
double distanceToPath(const QPointF& p, const QPainterPath& path);

// Smallest distance from `p` to the outline of a filled shape: like distanceToPath, with every
// subpath closed back to its start as filling closes it.
double distanceToOutline(const QPointF& p, const QPainterPath& path);
// Whether a click at `p` lands on a filled shape: inside it, or within `margin` of its outline.
bool hitsShape(const QPainterPath& path, const QPointF& p, double margin);

// Point of the quadratic Bézier p0, c, p1 at t.
QPointF quadPoint(const QPointF& p0, const QPointF& c, const QPointF& p1, double t);
// Point of the cubic Bézier p0, c1, c2, p1 at t.
QPointF cubicPoint(const QPointF& p0, const QPointF& c1, const QPointF& c2, const QPointF& p1, double t);

// How far a stroke's outline reaches beyond its centre line for the cap: half the width, times √2
// for square caps (a square end seen along a diagonal).
double capReach(double strokeWidth, Qt::PenCapStyle cap);

} // namespace StrokeGeometry

} // namespace mebo
