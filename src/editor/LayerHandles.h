#pragma once

#include "document/DrawingLayer.h"
#include "editor/LayerHandle.h"

#include <QList>
#include <Qt>

namespace mebo {

// Handle geometry of the editable layer kinds: where the handles sit and what dragging one does.
// Pure functions of the layer as it was when the drag started, so a drag never accumulates
// rounding from one move to the next.
class LayerHandles {
public:
    // The handles of `layer`; empty for kinds that are only moved (text, pen, fills, cut-outs...).
    static QList<LayerHandle> of(const DrawingLayer& layer);
    // A new layer: `original` with `handle` dragged to `point`. Null when the handle does not
    // belong to the layer.
    static LayerPtr dragged(const DrawingLayer& original, const LayerHandle& handle, const QPointF& point);
    // The cursor the canvas shows over a handle.
    static Qt::CursorShape cursor(HandleKind kind);
};

} // namespace mebo
