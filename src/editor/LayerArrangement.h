#pragma once

#include "document/DrawingLayer.h"

#include <QHash>
#include <Qt>

namespace mebo {

enum class LayerAlignment : uint8_t { left, horizontalCenter, right, top, verticalCenter, bottom };

// The geometry of the arrangement commands, apart from the editor's history: new orders of a
// list, and the translated copies that align or distribute layers (only those that move).
class LayerArrangement {
public:
    // A group moves one place up (down) per member, never over another member.
    static LayerList forward(const LayerList& layers, const LayerList& group);
    static LayerList backward(const LayerList& layers, const LayerList& group);
    // A group moves to the top (bottom) as a block, keeping its order.
    static LayerList toFront(const LayerList& layers, const LayerList& group);
    static LayerList toBack(const LayerList& layers, const LayerList& group);
    // Each layer's bounds meet the union's edge or centre.
    static QHash<const DrawingLayer*, LayerPtr> aligned(const LayerList& targets, LayerAlignment alignment);
    // The first and last (by centre along the axis) stay; the others' centres are spaced evenly.
    static QHash<const DrawingLayer*, LayerPtr> distributed(LayerList targets, Qt::Orientation orientation);
};

} // namespace mebo
