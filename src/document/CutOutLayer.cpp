#include "document/CutOutLayer.h"

#include "document/CutOutEdge.h"

#include <QPainter>
#include <algorithm>

namespace mebo {

CutOutLayer::CutOutLayer(const QRectF& rect, CutOutOrientation orientation, CutOutEdgeStyle edgeStyle,
                         double density, double depth)
    : DrawingLayer(ToolKind::cutout), rect_(rect.normalized()), orientation_(orientation),
      edgeStyle_(edgeStyle), density_(density), depth_(depth),
      maskPath_(CutOutEdge::path(rect_, orientation_, edgeStyle_, density_, depth_)) {
    opacity = 1;
}

void CutOutLayer::draw(QPainter& painter, const QImage&) const {
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    QPainterPath path = maskPath_;
    path.setFillRule(Qt::WindingFill);
    painter.drawPath(path);
    painter.restore();
}

QRectF CutOutLayer::bounds() const {
    return rect_;
}

bool CutOutLayer::hitTest(const QPointF& point) const {
    return hitTest(point, kDefaultHitTolerance);
}

bool CutOutLayer::hitTest(const QPointF& point, double tolerance) const {
    const double m = std::min(rect_.width(), rect_.height());
    const double cap = m < 1 ? 0.25 : 0.25 * m;
    const double b = std::max(1.5, std::min(tolerance, cap));
    const QRectF grown = rect_.adjusted(-b, -b, b, b);
    const bool inGrown = point.x() >= grown.left() && point.x() <= grown.right() &&
                         point.y() >= grown.top() && point.y() <= grown.bottom();
    if (!inGrown) {
        return false;
    }
    const QRectF shrunk = rect_.adjusted(b, b, -b, -b);
    if (shrunk.width() <= 0 || shrunk.height() <= 0) {
        return true;
    }
    const bool inShrunk = point.x() > shrunk.left() && point.x() < shrunk.right() &&
                          point.y() > shrunk.top() && point.y() < shrunk.bottom();
    return !inShrunk;
}

LayerPtr CutOutLayer::translated(double dx, double dy) const {
    auto copy =
        std::make_shared<CutOutLayer>(rect_.translated(dx, dy), orientation_, edgeStyle_, density_, depth_);
    copy->toolKind = toolKind;
    copy->shadow = shadow;
    copy->opacity = opacity;
    return copy;
}

} // namespace mebo
