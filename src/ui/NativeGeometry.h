#pragma once

#include <QPoint>
#include <QRect>

namespace mebo {

// Between the X server's pixels (root-window coordinates) and the toolkit's logical coordinates,
// screen by screen: each screen keeps its native origin and divides its size by its own device
// pixel ratio, so a mixed 1x + 2x layout has no single factor. Main thread.
namespace NativeGeometry {

// The logical rectangle of the native one, with the scale of the screen holding its top-left
// corner (else the primary screen's).
QRect toLogical(const QRect& native);

} // namespace NativeGeometry

} // namespace mebo
