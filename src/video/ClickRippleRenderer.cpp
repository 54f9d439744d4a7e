#include "video/ClickRippleRenderer.h"

#include "video/OverlayCanvas.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace mebo {

std::array<double, 4> ClickRippleRenderer::colourOf(const QList<double>& colour) {
    std::array<double, 4> c{1.0, 0.3, 0.3, 0.85};
    for (qsizetype i = 0; i < std::min<qsizetype>(colour.size(), 4); ++i) {
        c[size_t(i)] = colour[i];
    }
    return c;
}

double ClickRippleRenderer::effectiveRadius(double radiusPx) {
    return std::isfinite(radiusPx) ? std::clamp(radiusPx, 1.0, 500.0) : 40.0;
}

double ClickRippleRenderer::windowMs(double durationSec) {
    if (!std::isfinite(durationSec)) {
        return 600;
    }
    if (durationSec <= 0.05) {
        return 50;
    }
    return std::min(durationSec, 10.0) * 1000.0;
}

std::optional<FrameOverlay> ClickRippleRenderer::render(const CursorPoints& clicks,
                                                        const QList<double>& colour, double tSec,
                                                        double durationSec, const QRectF& frameRect,
                                                        double radiusPx) {
    if (clicks.isEmpty() || !(durationSec > 0) || frameRect.width() <= 0 || frameRect.height() <= 0) {
        return std::nullopt;
    }
    const double R = effectiveRadius(radiusPx);
    const double W = windowMs(durationSec);
    const int64_t now = int64_t(std::trunc(tSec * 1000.0));

    struct Ripple {
        QPointF centre;
        double p;
    };
    QList<Ripple> ripples;
    const int64_t from = int64_t(std::ceil(double(now) - W));
    auto it = std::lower_bound(clicks.begin(), clicks.end(), from,
                               [](const CursorPoint& c, int64_t t) { return c.timeMs < t; });
    for (; it != clicks.end() && it->timeMs <= now; ++it) {
        const double p = double(now - it->timeMs) / W;
        if (p < 0 || p > 1) {
            continue;
        }
        ripples.append({overlayPosition(*it, frameRect), p});
    }
    if (ripples.isEmpty()) {
        return std::nullopt;
    }
    const auto [red, green, blue, alpha] = colourOf(colour);
    const double w = std::max(R * 0.08, 2.0);
    const double pad = R + w + 2;
    QList<QPointF> centres;
    for (const Ripple& r : ripples) {
        centres.append(r.centre);
    }
    const QRectF box = boundsOf(centres);
    OverlayCanvas canvas(box.adjusted(-pad, -pad, pad, pad), frameRect.adjusted(-pad, -pad, pad, pad));
    if (!canvas.isValid()) {
        return std::nullopt;
    }
    QPainter& painter = canvas.painter();
    for (const Ripple& r : ripples) {
        const double ringRadius = R * std::pow(r.p, 0.7);
        const double ringAlpha = alpha * (1 - r.p);
        if (ringRadius < 0.5 || ringAlpha <= 0.01) {
            continue;
        }
        const QPointF c = canvas.map(r.centre);
        QPen pen(QColor::fromRgbF(float(red), float(green), float(blue), float(ringAlpha)), w);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(c, ringRadius, ringRadius);
        if (r.p < 0.15) {
            const double dot = 1.2 * w;
            painter.setPen(Qt::NoPen);
            painter.setBrush(
                QColor::fromRgbF(float(red), float(green), float(blue), float(alpha * (1 - r.p / 0.15))));
            painter.drawEllipse(c, dot, dot);
        }
    }
    return canvas.finish();
}

} // namespace mebo
