#include "document/DrawingLayer.h"

namespace mebo {

bool DrawingLayer::hitTest(const QPointF& point) const {
    const QRectF grown = bounds().adjusted(-4, -4, 4, 4);
    return point.x() >= grown.left() && point.x() <= grown.right() && point.y() >= grown.top() &&
           point.y() <= grown.bottom();
}

LayerPtr DrawingLayer::translated(double, double) const {
    return std::const_pointer_cast<DrawingLayer>(shared_from_this());
}

} // namespace mebo
