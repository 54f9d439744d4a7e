#include "document/GradientFill.h"

#include <QLinearGradient>
#include <cmath>

namespace mebo {

QBrush GradientFill::brushFor(const QRectF& box) const {
    const QPointF c = box.center();
    const double half = std::hypot(box.width(), box.height()) / 2;
    const QPointF d(std::cos(angle) * half, std::sin(angle) * half);
    QLinearGradient g(c - d, c + d);
    g.setSpread(QGradient::PadSpread);
    g.setColorAt(0, startColor);
    g.setColorAt(1, endColor);
    return QBrush(g);
}

} // namespace mebo
