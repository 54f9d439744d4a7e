#include "document/HighlighterLayer.h"

#include "document/LayerEffects.h"
#include "document/ShapePaths.h"

#include <QPainter>
#include <algorithm>

namespace mebo {

QPainterPath HighlighterLayer::shapePath() const {
    const QRectF box = rect.normalized();
    QPainterPath path;
    switch (shape) {
    case HighlighterShape::rect:
        path.addRect(box);
        break;
    case HighlighterShape::rounded: {
        const double limit = std::min(box.width(), box.height()) / 2;
        const double radius = cornerRadius ? std::clamp(*cornerRadius, 0.0, std::max(0.0, limit))
                                           : std::min(limit, ShapePaths::kDefaultRoundedRadius);
        path = ShapePaths::roundedRect(box, radius);
        break;
    }
    case HighlighterShape::ellipse:
        path.addEllipse(box);
        break;
    case HighlighterShape::underline: {
        const double height = box.height();
        const double thickness = underlineThickness ? std::max(std::min(height, *underlineThickness), 1.0)
                                                    : std::max(0.4 * height, 6.0);
        path.addRect(QRectF(box.left(), box.bottom() - thickness, box.width(), thickness));
        break;
    }
    }
    return path;
}

void HighlighterLayer::draw(QPainter& painter, const QImage&) const {
    const QPainterPath area = shapePath();
    if (area.isEmpty()) {
        return;
    }
    // Multiply darkens by the marker's colour, so dark text under it stays dark and readable.
    paintWithEffects(
        painter, shadow, opacity, area.boundingRect(), [&](QPainter& p) { p.fillPath(area, color); },
        QPainter::CompositionMode_Multiply);
}

QRectF HighlighterLayer::bounds() const {
    // An underline thicker than the box reaches above it.
    return rect.normalized().united(shapePath().boundingRect());
}

LayerPtr HighlighterLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    return copy;
}

} // namespace mebo
