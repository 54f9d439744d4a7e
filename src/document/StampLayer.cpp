#include "document/StampLayer.h"

#include "document/LayerEffects.h"
#include "document/ShapePaths.h"
#include "document/StampImageCache.h"

#include <QPainter>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

// Device pixels per image unit under the painter's transform (editor zoom, export scale).
double deviceScale(const QPainter& painter) {
    const double s = std::sqrt(std::abs(painter.transform().determinant()));
    return std::isfinite(s) && s > 0 ? s : 1;
}

} // namespace

QRectF StampLayer::box() const {
    return QRectF(center.x() - size / 2, center.y() - size / 2, size, size);
}

bool StampLayer::isCustom() const {
    return imagePath && !imagePath->isEmpty();
}

void StampLayer::draw(QPainter& painter, const QImage& base) const {
    if (!std::isfinite(size) || size <= 0 || !std::isfinite(center.x()) || !std::isfinite(center.y())) {
        return;
    }
    // Rendered at the size it lands on the device, rounded up to 4 pixels so zooming does not
    // fill the cache with near-identical sizes.
    const int pixels = std::clamp(int(std::ceil(size * deviceScale(painter) / 4)) * 4, 4, 4096);
    StampImageCache& cache = StampImageCache::shared();
    const QImage picture =
        isCustom() ? cache.customImage(*imagePath, pixels) : cache.symbol(symbolName, pixels, color);
    if (picture.isNull()) {
        return;
    }
    // A custom picture keeps its aspect ratio inside the size x size square.
    const double w = size * picture.width() / pixels;
    const double h = size * picture.height() / pixels;
    paintWithEffects(painter, shadow, opacity, bounds(), [&](QPainter& p) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.translate(center);
        if (std::isfinite(rotation)) {
            p.rotate(qRadiansToDegrees(rotation));
        }
        p.scale(flipH ? -1 : 1, flipV ? -1 : 1);
        p.drawImage(QRectF(-w / 2, -h / 2, w, h), picture);
    });
}

QRectF StampLayer::bounds() const {
    return ShapePaths::rotatedBounds(box(), rotation);
}

LayerPtr StampLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->center += QPointF(dx, dy);
    return copy;
}

bool StampLayer::hitTest(const QPointF& point) const {
    // The stamp's own square, turned with it, grown by the usual 4 units.
    const QPointF local = ShapePaths::unrotate(point, center, rotation);
    const double half = std::abs(size) / 2 + 4;
    return std::abs(local.x() - center.x()) <= half && std::abs(local.y() - center.y()) <= half;
}

} // namespace mebo
