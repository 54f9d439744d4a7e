#pragma once

#include <QPainterPath>
#include <QPointF>

namespace mebo {

// True when `point` lies inside the closed `shape` or within `margin` of its outline.
bool pathHitTest(const QPainterPath& shape, const QPointF& point, double margin);

} // namespace mebo
