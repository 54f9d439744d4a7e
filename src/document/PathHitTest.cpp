#include "document/PathHitTest.h"

#include <QPainterPathStroker>

namespace mebo {

bool pathHitTest(const QPainterPath& shape, const QPointF& point, double margin) {
    if (shape.contains(point)) {
        return true;
    }
    if (!(margin > 0)) {
        return false;
    }
    // Cheap rejection before building the stroke outline.
    if (!shape.boundingRect().adjusted(-margin, -margin, margin, margin).contains(point)) {
        return false;
    }
    QPainterPathStroker stroker;
    stroker.setWidth(2 * margin);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setCapStyle(Qt::RoundCap);
    return stroker.createStroke(shape).contains(point);
}

} // namespace mebo
