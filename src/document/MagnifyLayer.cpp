#include "document/MagnifyLayer.h"

#include "document/LayerEffects.h"
#include "document/ShapePaths.h"
#include "document/StrokeGeometry.h"
#include "document/StrokeStyle.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {
// What the lens shows where its source area leaves the image.
const QColor kOutsideImage(0x2b, 0x2b, 0x2b);
} // namespace

double MagnifyLayer::effectiveZoom() const {
    if (!std::isfinite(zoomLevel) || zoomLevel <= 0) {
        return 1;
    }
    return std::clamp(zoomLevel, kMinZoom, kMaxZoom);
}

double MagnifyLayer::effectiveBorderWidth() const {
    return std::isfinite(borderWidth) && borderWidth > 0 ? borderWidth : 0;
}

QRectF MagnifyLayer::lensRect() const {
    const double w = std::abs(size.width());
    const double h = std::abs(size.height());
    return QRectF(center.x() - w / 2, center.y() - h / 2, w, h);
}

QRectF MagnifyLayer::sourceRect() const {
    const QRectF lens = lensRect();
    const double z = effectiveZoom();
    const QPointF c = center + QPointF(sourceOffset.width(), sourceOffset.height());
    const double w = lens.width() / z;
    const double h = lens.height() / z;
    return QRectF(c.x() - w / 2, c.y() - h / 2, w, h);
}

QPainterPath MagnifyLayer::lensPath() const {
    const QRectF lens = lensRect();
    QPainterPath path;
    switch (shape) {
    case MagnifyShape::circle:
        path.addEllipse(lens);
        break;
    case MagnifyShape::rect:
        path.addRect(lens);
        break;
    case MagnifyShape::roundedRect:
        path = ShapePaths::roundedRect(lens, cornerRadius.value_or(ShapePaths::kDefaultRoundedRadius));
        break;
    }
    return path;
}

MagnifySource MagnifyLayer::sourceFrom(const QImage& base) const {
    MagnifySource out;
    out.imageRect = base.rect();
    const QRectF available = sourceRect().intersected(QRectF(base.rect()));
    if (!available.isEmpty() && std::isfinite(available.x())) {
        // Only the whole pixels under the source area are copied (before anything is painted, in
        // case the painter draws into `base` itself), then scaled up smoothly.
        out.pixelRect = available.toAlignedRect().intersected(base.rect());
        if (!out.pixelRect.isEmpty()) {
            out.pixels = base.copy(out.pixelRect);
        }
    }
    return out;
}

void MagnifyLayer::draw(QPainter& painter, const QImage& base) const {
    drawWithSource(painter, sourceFrom(base));
}

void MagnifyLayer::drawWithSource(QPainter& painter, const MagnifySource& pixels) const {
    const QRectF lens = lensRect();
    const QRectF source = sourceRect();
    if (lens.isEmpty() || source.isEmpty() || !std::isfinite(lens.x()) || !std::isfinite(source.x())) {
        return;
    }
    const QRectF available = source.intersected(QRectF(pixels.imageRect));
    const double sx = lens.width() / source.width();
    const double sy = lens.height() / source.height();
    const QPainterPath outline = lensPath();
    const double border = effectiveBorderWidth();
    paintWithEffects(painter, shadow, opacity, bounds(), [&](QPainter& p) {
        p.save();
        p.setClipPath(outline, Qt::IntersectClip);
        if (available != source) {
            p.fillRect(lens, kOutsideImage);
        }
        if (!pixels.pixels.isNull() && !available.isEmpty()) {
            const QRectF target(lens.x() + (available.x() - source.x()) * sx,
                                lens.y() + (available.y() - source.y()) * sy, available.width() * sx,
                                available.height() * sy);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(target, pixels.pixels, available.translated(-pixels.pixelRect.topLeft()));
        }
        p.restore();
        if (border > 0) {
            strokeShape(p, outline, strokePen(borderColor, border, borderStyle));
        }
    });
}

QRectF MagnifyLayer::bounds() const {
    const double half = effectiveBorderWidth() / 2;
    return lensRect().adjusted(-half, -half, half, half);
}

bool MagnifyLayer::hitTest(const QPointF& point) const {
    return StrokeGeometry::hitsShape(lensPath(), point, std::max(4.0, effectiveBorderWidth() / 2));
}

LayerPtr MagnifyLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->center += QPointF(dx, dy);
    return copy;
}

} // namespace mebo
