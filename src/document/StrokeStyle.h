#pragma once

#include "document/LayerEnums.h"

#include <QColor>
#include <QList>
#include <QPainterPath>
#include <QPen>
#include <optional>

class QPainter;

namespace mebo {

// Dash pattern in image units (not scaled by the stroke width): dashed 8 on 5 off, dotted 2 on 4 off.
QList<qreal> dashPattern(ArrowLineStyle style);
// An explicit cap wins; unset gives round for solid strokes and butt for dashed or dotted ones.
Qt::PenCapStyle capStyle(ArrowLineStyle style, std::optional<LineCap> cap);
// Pen joins: miter (limit 2), round, bevel; unset gives round.
Qt::PenJoinStyle joinStyle(std::optional<LineJoin> join);
// A pen with the width, dash pattern and cap rule of a stroked layer.
QPen strokePen(const QColor& color, double width, ArrowLineStyle style,
               std::optional<LineCap> cap = std::nullopt, std::optional<LineJoin> join = std::nullopt);
// Strokes `path` with `pen`. A dashed pen is laid out on the whole path before anything is clipped,
// so the dashes fall in the same places whatever the painter's device (a band of the output, a
// layer's picture or the whole image).
void strokeShape(QPainter& painter, const QPainterPath& path, const QPen& pen);

} // namespace mebo
