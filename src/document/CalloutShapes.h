#pragma once

#include "document/LayerEnums.h"

#include <QList>
#include <QPainterPath>
#include <QRectF>

namespace mebo {

// Outlines of callout bodies, in the body's own unrotated frame.
namespace CalloutShapes {

// The body outline of `shape` in `rect` with corner radius `radius` (already resolved for the
// shape). speechBubble, rectangle and roundedRect are rounded rectangles; arrowRight is a tag whose
// right end is an arrow point (corners rounded by radius); cloud is a ring of round bumps whose
// size follows radius.
QPainterPath body(CalloutShape shape, const QRectF& rect, double radius);
// Where the text goes before the padding is taken off: the part of rect the outline leaves whole.
QRectF textArea(CalloutShape shape, const QRectF& rect, double radius);
// The rectangle whose edges tails leave from: rect, except where the outline lies inside it (the
// arrow point, the cusps of the cloud).
QRectF tailFrame(CalloutShape shape, const QRectF& rect, double radius);

// How far arrowRight's point reaches into rect.
double arrowPointDepth(const QRectF& rect);
// Size of a cloud bump for a radius; the cloud's cusps lie this far inside rect.
double cloudBumpSize(const QRectF& rect, double radius);
// A closed polygon with every corner rounded by up to `radius` (less where an edge is short).
QPainterPath roundedPolygon(const QList<QPointF>& points, double radius);

} // namespace CalloutShapes

} // namespace mebo
