#pragma once

#include "document/DrawingLayer.h"
#include "document/ToolKind.h"
#include "editor/ToolStyles.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <memory>

namespace mebo {

class ArrowLayer;
class CalloutLayer;
class EraserStrokeLayer;
class LineLayer;
class MagnifyLayer;
class PenLayer;
class StampLayer;
class StepLayer;
class TextLayer;

// Builds the layer a tool creates from the tool's current style settings. Geometry comes from the
// pointer; everything else from `ToolStyles`.
class ToolLayerFactory {
public:
    // The tools whose layer is a dragged box.
    static bool isBoxTool(ToolKind tool);
    // The box a drag makes for `tool`: the drag's own, except that a highlighter dragged along a
    // line (flat, as a marker is drawn over text) gets a band of marker thickness around it.
    static QRectF creationBox(ToolKind tool, const ToolStyles& styles, const QRectF& drag);
    // rect, ellipse, polygon, highlighter, mosaic, blur, spotlight, simplify over `rect`. A mosaic
    // or blur in the polygon shape takes `lasso` as its outline. `base` gives simplify its colour.
    static LayerPtr boxLayer(ToolKind tool, const ToolStyles& styles, const QRectF& rect,
                             const QList<QPointF>& lasso = {}, const QImage& base = {});
    static std::shared_ptr<ArrowLayer> arrow(const ToolStyles& styles, const QPointF& start,
                                             const QPointF& end);
    static std::shared_ptr<LineLayer> line(const ToolStyles& styles, const QPointF& start,
                                           const QPointF& end);
    static std::shared_ptr<PenLayer> pen(const ToolStyles& styles, const QList<QPointF>& points);
    static std::shared_ptr<EraserStrokeLayer> eraser(const ToolStyles& styles, const QList<QPointF>& points);
    static std::shared_ptr<TextLayer> text(const ToolStyles& styles, const QPointF& position);
    // The body `rect` with one tail tip below-left of it.
    static std::shared_ptr<CalloutLayer> callout(const ToolStyles& styles, const QRectF& rect);
    static std::shared_ptr<StepLayer> step(const ToolStyles& styles, const QPointF& center);
    static std::shared_ptr<StampLayer> stamp(const ToolStyles& styles, const QPointF& center);
    static std::shared_ptr<MagnifyLayer> magnify(const ToolStyles& styles, const QPointF& center);
    // The mean colour along the inside edge of `rect`: what a flattened object is painted with.
    static QColor edgeColor(const QImage& base, const QRectF& rect);
};

} // namespace mebo
