#include "video/CursorTrailRenderer.h"

#include "video/OverlayCanvas.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace mebo {

std::array<double, 4> CursorTrailRenderer::colourOf(const QList<double>& colour) {
    std::array<double, 4> c{1.0, 0.9, 0.3, 0.9};
    for (qsizetype i = 0; i < std::min<qsizetype>(colour.size(), 4); ++i) {
        c[size_t(i)] = colour[i];
    }
    return c;
}

double CursorTrailRenderer::windowMs(double windowSec) {
    if (!std::isfinite(windowSec)) {
        return 500;
    }
    if (windowSec <= 0.05) {
        return 50;
    }
    return std::min(windowSec, 10.0) * 1000.0;
}

double CursorTrailRenderer::effectiveWidth(double widthPx) {
    return std::isfinite(widthPx) ? std::clamp(widthPx, 1.0, 200.0) : 10.0;
}

std::optional<FrameOverlay> CursorTrailRenderer::render(const CursorPoints& points,
                                                        const QList<double>& colour, double tSec,
                                                        double windowSec, const QRectF& frameRect,
                                                        double widthPx) {
    if (points.isEmpty() || !(windowSec > 0) || frameRect.width() <= 0 || frameRect.height() <= 0) {
        return std::nullopt;
    }
    const double W = windowMs(windowSec);
    const double w = effectiveWidth(widthPx);
    const int64_t now = int64_t(std::trunc(tSec * 1000.0));

    struct Node {
        QPointF pos;
        double fresh;
    };
    QList<Node> selected;
    const int64_t from = int64_t(std::ceil(double(now) - W));
    auto it = std::lower_bound(points.begin(), points.end(), from,
                               [](const CursorPoint& c, int64_t t) { return c.timeMs < t; });
    for (; it != points.end() && it->timeMs <= now; ++it) {
        const double f = std::clamp(1.0 - double(now - it->timeMs) / W, 0.0, 1.0);
        selected.append({overlayPosition(*it, frameRect), f});
    }
    if (selected.size() < 2) {
        return std::nullopt;
    }
    QList<Node> kept;
    if (selected.size() < 3) {
        kept = selected;
    } else {
        const double minStep = std::max(w * 0.15, 1.5);
        kept.append(selected.first());
        for (qsizetype i = 1; i + 1 < selected.size(); ++i) {
            const QPointF d = selected[i].pos - kept.last().pos;
            if (std::hypot(d.x(), d.y()) >= minStep) {
                kept.append(selected[i]);
            }
        }
        kept.append(selected.last());
    }
    const auto [red, green, blue, alpha] = colourOf(colour);
    QList<QPointF> positions;
    for (const Node& n : kept) {
        positions.append(n.pos);
    }
    const QRectF box = boundsOf(positions);
    const double grow = w + 4;
    OverlayCanvas canvas(box.adjusted(-grow, -grow, grow, grow),
                         frameRect.adjusted(-grow, -grow, grow, grow));
    if (!canvas.isValid()) {
        return std::nullopt;
    }
    QPainter& painter = canvas.painter();
    painter.setBrush(Qt::NoBrush);
    const auto mid = [](const QPointF& a, const QPointF& b) { return (a + b) / 2; };
    const qsizetype n = kept.size();
    // Each point is the control of the curve through the midpoints on either side of it; the
    // first piece starts at the oldest point and the last ends at the newest.
    for (qsizetype i = 0; i + 1 < n; ++i) {
        const double a = alpha * (kept[i].fresh + kept[i + 1].fresh) / 2;
        if (a <= 0.01) {
            continue;
        }
        const QPointF pi = canvas.map(kept[i].pos);
        const QPointF next = canvas.map(kept[i + 1].pos);
        const QPointF start = i == 0 ? pi : mid(canvas.map(kept[i - 1].pos), pi);
        QPainterPath path(start);
        path.quadTo(pi, mid(pi, next));
        if (i + 2 == n) {
            path.lineTo(next);
        }
        QPen pen(QColor::fromRgbF(float(red), float(green), float(blue), float(a)), w);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        painter.drawPath(path);
    }
    const double headAlpha = alpha * kept.last().fresh;
    if (headAlpha > 0.01) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(float(red), float(green), float(blue), float(headAlpha)));
        const double r = 0.8 * w;
        painter.drawEllipse(canvas.map(kept.last().pos), r, r);
    }
    return canvas.finish();
}

} // namespace mebo
