#include "recording/CursorEffects.h"

#include "video/ClickRippleRenderer.h"
#include "video/CursorTrailRenderer.h"
#include "video/OverlayCanvas.h"

#include <algorithm>
#include <cmath>

namespace mebo {

double CursorEffects::clickPulse(std::optional<int64_t> sinceClickMs) {
    if (!sinceClickMs || *sinceClickMs < 0 || *sinceClickMs >= 380) {
        return 0;
    }
    const double u = double(*sinceClickMs) / 380.0;
    return u < 0.3 ? u / 0.3 : (1 - u) / 0.7;
}

double CursorEffects::haloRadius(QSize frame, double pulse) {
    return std::max(0.025 * std::min(frame.width(), frame.height()), 22.0) * (1 + 0.55 * pulse);
}

bool CursorEffects::draw(QImage& frame, const CursorTelemetry::Snapshot& snapshot, int64_t tMs,
                         Enabled enabled, QRect* drawn) {
    const QRectF frameRect(0, 0, frame.width(), frame.height());
    const double t = double(tMs) / 1000.0;
    bool drew = false;
    const auto lay = [&](const FrameOverlay& overlay) {
        overlay.compositeOver(frame);
        if (drawn) {
            *drawn |= overlay.frameRect(frame.size());
        }
        drew = true;
    };
    if (enabled.halo && snapshot.lastPoint) {
        const std::optional<int64_t> since =
            snapshot.lastClickMs ? std::optional<int64_t>(tMs - *snapshot.lastClickMs) : std::nullopt;
        const double r = haloRadius(frame.size(), clickPulse(since));
        const double lineWidth = std::max(0.14 * r, 3.0);
        const QPointF c = overlayPosition(*snapshot.lastPoint, frameRect);
        const double extent = r + lineWidth;
        OverlayCanvas canvas(QRectF(c.x() - extent, c.y() - extent, 2 * extent, 2 * extent), frameRect);
        if (canvas.isValid()) {
            QPainter& p = canvas.painter();
            // A soft fill inside a bright ring with a dark rim, visible on light and dark screens.
            p.setPen(Qt::NoPen);
            p.setBrush(QColor::fromRgbF(1.0f, 0.85f, 0.2f, 0.18f));
            p.drawEllipse(canvas.map(c), r, r);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor::fromRgbF(0.1f, 0.1f, 0.1f, 0.35f), lineWidth + 2));
            p.drawEllipse(canvas.map(c), r, r);
            p.setPen(QPen(QColor::fromRgbF(1.0f, 0.85f, 0.2f, 0.85f), lineWidth));
            p.drawEllipse(canvas.map(c), r, r);
            lay(canvas.finish());
        }
    }
    if (enabled.trail) {
        if (auto o = CursorTrailRenderer::render(snapshot.trail, {1.0, 0.9, 0.3, 0.9}, t, trailWindowSec,
                                                 frameRect, trailWidthPx)) {
            lay(*o);
        }
    }
    if (enabled.ripple) {
        if (auto o = ClickRippleRenderer::render(snapshot.clicks, {1.0, 0.3, 0.3, 0.85}, t, rippleDurationSec,
                                                 frameRect, rippleRadiusPx)) {
            lay(*o);
        }
    }
    return drew;
}

} // namespace mebo
