#pragma once

#include <QPointF>
#include <cstdint>

namespace mebo {

// What a handle of the selected layer edits. The eight box handles resize a rectangle-like layer
// with the opposite edge or corner fixed; the others move one point of the layer.
enum class HandleKind : uint8_t {
    topLeft,
    top,
    topRight,
    right,
    bottomRight,
    bottom,
    bottomLeft,
    left,
    start, // line and arrow end points
    end,
    mid,           // arrow: the curve's point at t = 0.5
    mid2,          // cubic arrow: the second control point
    quarter1,      // arrow: the curve's point at t = 0.25
    quarter2,      // arrow: the curve's point at t = 0.75
    magnifySource, // the centre of the area a magnifier shows
    calloutTail,   // one tail tip of a callout, `index` into its tails
};

// One handle the canvas draws and hits, in image pixels.
struct LayerHandle {
    HandleKind kind = HandleKind::topLeft;
    QPointF position;
    int index = 0;

    bool operator==(const LayerHandle&) const = default;
};

} // namespace mebo
