#include "document/MosaicLayer.h"

#include "document/ImageFilters.h"
#include "document/LayerEffects.h"
#include "document/ShapePaths.h"
#include "document/StrokeGeometry.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace mebo {

QPainterPath MosaicLayer::shapePath() const {
    return ShapePaths::mosaicShape(shape, rect, cornerRadius, polygonPoints);
}

QRect MosaicLayer::imagePart(const QSize& imageSize) const {
    const QRectF r = rect.normalized();
    if (!std::isfinite(r.x()) || !std::isfinite(r.y()) || !std::isfinite(r.width()) ||
        !std::isfinite(r.height())) {
        return {};
    }
    const QRectF image(QPointF(0, 0), QSizeF(imageSize));
    const QRectF inside = r.intersected(image);
    if (inside.isEmpty()) {
        return {};
    }
    // Outward to whole pixels, still inside the image.
    return inside.toAlignedRect().intersected(QRect(QPoint(0, 0), imageSize));
}

int MosaicLayer::blurMargin(double radius) {
    return int(std::ceil(3 * std::max(radius, 1.0)));
}

int MosaicLayer::blurScaleFactor(double radius) {
    return std::clamp(int(radius / 2), 1, 8);
}

QImage MosaicLayer::blurred(QImage image, double radius) {
    const int k = blurScaleFactor(radius);
    if (k <= 1 || image.width() < 2 * k || image.height() < 2 * k) {
        ImageFilters::gaussianBlur(image, radius);
        return image;
    }
    // A wide blur keeps no detail finer than a few pixels, so it runs on a copy k times smaller
    // and is scaled back up. The area-average going down (variance k^2/12) and the bilinear
    // return (k^2/6) widen it a little; the small blur is narrowed to make up for them.
    const QSize full = image.size();
    QImage small = image.scaled((full.width() + k - 1) / k, (full.height() + k - 1) / k,
                                Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double sigma = std::sqrt(std::max(radius * radius - k * k / 4.0, 0.25)) / k;
    ImageFilters::gaussianBlur(small, sigma);
    return small.scaled(full, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QRect MosaicLayer::readPart(const QSize& imageSize) const {
    const QRect part = imagePart(imageSize);
    switch (style) {
    case MosaicStyle::pixelate:
        return part;
    case MosaicStyle::gaussian: {
        const int m = blurMargin(std::isfinite(intensity) ? std::max(intensity, 0.0) : 0.0);
        return part.isEmpty() ? part
                              : part.adjusted(-m, -m, m, m).intersected(QRect(QPoint(0, 0), imageSize));
    }
    case MosaicStyle::solid:
        return {};
    }
    return part;
}

QImage MosaicLayer::renderPart(const QImage& base, const QRect& part) const {
    switch (style) {
    case MosaicStyle::pixelate: {
        QImage img = ImageFilters::copyPremultiplied(base, part);
        ImageFilters::pixelate(img, std::isfinite(intensity) ? std::max(intensity, 1.0) : 1.0);
        return img;
    }
    case MosaicStyle::gaussian: {
        const double radius = std::isfinite(intensity) ? std::max(intensity, 0.0) : 0.0;
        const int m = blurMargin(radius);
        const QRect context = part.adjusted(-m, -m, m, m).intersected(base.rect());
        return blurred(ImageFilters::copyPremultiplied(base, context), radius)
            .copy(part.translated(-context.topLeft()));
    }
    case MosaicStyle::solid: {
        QImage img(part.size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(solidColor);
        return img;
    }
    }
    return {};
}

void MosaicLayer::draw(QPainter& painter, const QImage& base) const {
    const QRect part = imagePart(base.size());
    if (part.isEmpty()) {
        return;
    }
    const QImage patch = renderPart(base, part);
    if (patch.isNull()) {
        return;
    }
    const QPainterPath clip = shapePath();
    // A redaction lies flat on the image: it never casts a shadow, whatever the layer says.
    paintWithEffects(painter, ShadowStyle::none, opacity, QRectF(part), [&](QPainter& p) {
        if (shape != MosaicShape::rect) {
            p.setClipPath(clip, Qt::IntersectClip);
        } else {
            p.setClipRect(rect.normalized(), Qt::IntersectClip);
        }
        p.drawImage(part.topLeft(), patch);
    });
}

QRectF MosaicLayer::bounds() const {
    // Only the rectangle is ever rendered, whatever the polygon's points say.
    return rect.normalized();
}

bool MosaicLayer::hitTest(const QPointF& point) const {
    if (!DrawingLayer::hitTest(point)) {
        return false;
    }
    return shape == MosaicShape::rect || StrokeGeometry::hitsShape(shapePath(), point, 4);
}

LayerPtr MosaicLayer::translated(double dx, double dy) const {
    auto copy = unlockedCopy(*this);
    copy->rect.translate(dx, dy);
    for (QPointF& p : copy->polygonPoints) {
        p += QPointF(dx, dy);
    }
    return copy;
}

} // namespace mebo
