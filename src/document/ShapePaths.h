#pragma once

#include "document/LayerEnums.h"

#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <optional>

namespace mebo {

namespace ShapePaths {

// Radius used by rounded shapes when none is set.
constexpr double kDefaultRoundedRadius = 12;

// `radius` limited to 0 through half the short side.
double clampedRadius(const QRectF& rect, double radius);
// A rounded rectangle (a plain one for radius 0), radius clamped as above.
QPainterPath roundedRect(const QRectF& rect, double radius);
// The outline of a mosaic, spotlight or simplify shape. A polygon uses `polygonPoints` when it has
// at least 3, otherwise the default outline in fractions of rect.
QPainterPath mosaicShape(MosaicShape shape, const QRectF& rect, std::optional<double> cornerRadius,
                         const QList<QPointF>& polygonPoints = {});
// The default polygon outline in fractions of the rectangle (x from its left, y from its top).
const QList<QPointF>& defaultPolygonFractions();
// The smallest rectangle holding `rect` rotated by `radians` about its centre.
QRectF rotatedBounds(const QRectF& rect, double radians);
// `point` turned by -radians about `center` (into the unrotated frame of a shape).
QPointF unrotate(const QPointF& point, const QPointF& center, double radians);

} // namespace ShapePaths

} // namespace mebo
