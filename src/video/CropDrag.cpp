#include "video/CropDrag.h"

#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

using Handle = CropDrag::Handle;

bool movesLeft(Handle h) {
    return h == Handle::topLeft || h == Handle::left || h == Handle::bottomLeft;
}
bool movesRight(Handle h) {
    return h == Handle::topRight || h == Handle::right || h == Handle::bottomRight;
}
bool movesTop(Handle h) {
    return h == Handle::topLeft || h == Handle::top || h == Handle::topRight;
}
bool movesBottom(Handle h) {
    return h == Handle::bottomLeft || h == Handle::bottom || h == Handle::bottomRight;
}

double finiteOr(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

// Within the frame and at least the smallest side.
QRectF normalised(const QRectF& r) {
    const double m = CropDrag::kMinSide;
    const double x = std::clamp(finiteOr(r.x(), 0), 0.0, 1 - m);
    const double y = std::clamp(finiteOr(r.y(), 0), 0.0, 1 - m);
    return {x, y, std::clamp(finiteOr(r.width(), 1), m, 1 - x),
            std::clamp(finiteOr(r.height(), 1), m, 1 - y)};
}

} // namespace

QPointF CropDrag::handlePoint(const QRectF& c, Handle h) {
    switch (h) {
    case Handle::topLeft:
        return c.topLeft();
    case Handle::top:
        return {c.center().x(), c.top()};
    case Handle::topRight:
        return c.topRight();
    case Handle::right:
        return {c.right(), c.center().y()};
    case Handle::bottomRight:
        return c.bottomRight();
    case Handle::bottom:
        return {c.center().x(), c.bottom()};
    case Handle::bottomLeft:
        return c.bottomLeft();
    case Handle::left:
        return {c.left(), c.center().y()};
    case Handle::move:
        return c.center();
    }
    return c.center();
}

std::optional<CropDrag::Handle> CropDrag::handleAt(const QRectF& crop, QPointF p, QSizeF grab) {
    for (Handle h : {Handle::topLeft, Handle::topRight, Handle::bottomRight, Handle::bottomLeft, Handle::top,
                     Handle::right, Handle::bottom, Handle::left}) {
        const QPointF at = handlePoint(crop, h);
        if (std::abs(p.x() - at.x()) <= grab.width() && std::abs(p.y() - at.y()) <= grab.height()) {
            return h;
        }
    }
    if (crop.contains(p)) {
        return Handle::move;
    }
    return std::nullopt;
}

QRectF CropDrag::drag(Handle h, const QRectF& original, QPointF d, bool aspectLocked, QSizeF sourceSize) {
    const QRectF o = normalised(original);
    const double m = kMinSide;
    const double dx = finiteOr(d.x(), 0), dy = finiteOr(d.y(), 0);
    if (h == Handle::move) {
        return {std::clamp(o.x() + dx, 0.0, 1 - o.width()), std::clamp(o.y() + dy, 0.0, 1 - o.height()),
                o.width(), o.height()};
    }
    if (!aspectLocked || sourceSize.isEmpty()) {
        double l = o.left(), t = o.top(), r = o.right(), b = o.bottom();
        if (movesLeft(h)) {
            l = std::clamp(l + dx, 0.0, r - m);
        }
        if (movesRight(h)) {
            r = std::clamp(r + dx, l + m, 1.0);
        }
        if (movesTop(h)) {
            t = std::clamp(t + dy, 0.0, b - m);
        }
        if (movesBottom(h)) {
            b = std::clamp(b + dy, t + m, 1.0);
        }
        return QRectF(QPointF(l, t), QPointF(r, b));
    }
    // Locked: one scale factor for both sides keeps the cropped pixels' shape.
    const double w = o.width(), hgt = o.height();
    const bool horizontal = movesLeft(h) || movesRight(h);
    const bool vertical = movesTop(h) || movesBottom(h);
    const double wanted = movesLeft(h) ? (w - dx) / w : movesRight(h) ? (w + dx) / w : 0;
    const double wantedV = movesTop(h) ? (hgt - dy) / hgt : movesBottom(h) ? (hgt + dy) / hgt : 0;
    double s = horizontal && vertical ? std::max(wanted, wantedV) : horizontal ? wanted : wantedV;
    // How far each side may grow: up to the frame's edge on the dragged side (corners and edges
    // anchored at the opposite side), on both sides about the middle otherwise.
    const double cx = o.center().x(), cy = o.center().y();
    const double maxW = movesLeft(h) ? o.right() : movesRight(h) ? 1 - o.left() : 2 * std::min(cx, 1 - cx);
    const double maxH = movesTop(h) ? o.bottom() : movesBottom(h) ? 1 - o.top() : 2 * std::min(cy, 1 - cy);
    s = std::min({s, maxW / w, maxH / hgt});
    s = std::max({s, m / w, m / hgt});
    const double nw = w * s, nh = hgt * s;
    const double x = movesLeft(h) ? o.right() - nw : movesRight(h) ? o.left() : cx - nw / 2;
    const double y = movesTop(h) ? o.bottom() - nh : movesBottom(h) ? o.top() : cy - nh / 2;
    return {x, y, nw, nh};
}

QRectF CropDrag::withAspect(const QRectF& around, double ratio, QSizeF sourceSize) {
    if (!(ratio > 0) || !std::isfinite(ratio) || sourceSize.isEmpty()) {
        return normalised(around);
    }
    // The ratio in fractions of the frame.
    const double rf = ratio * sourceSize.height() / sourceSize.width();
    double w = std::min(1.0, rf), h = w / rf;
    if (h > 1) {
        h = 1, w = rf;
    }
    const QPointF c = normalised(around).center();
    return {std::clamp(c.x() - w / 2, 0.0, 1 - w), std::clamp(c.y() - h / 2, 0.0, 1 - h), w, h};
}

std::optional<QRectF> CropDrag::stored(const QRectF& crop) {
    const QRectF r = normalised(crop);
    const double tol = kWholeTolerance;
    if (r.left() <= tol && r.top() <= tol && r.right() >= 1 - tol && r.bottom() >= 1 - tol) {
        return std::nullopt;
    }
    return r;
}

} // namespace mebo
