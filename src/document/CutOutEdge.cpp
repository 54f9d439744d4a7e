#include "document/CutOutEdge.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mebo {

namespace {

struct StyleTable {
    double basePeriod;
    double sampleFactor;
    double minimumStep;
};

StyleTable table(CutOutEdgeStyle style) {
    switch (style) {
    case CutOutEdgeStyle::zigzag:
        return {18, 0.34, 2};
    case CutOutEdgeStyle::wave:
        return {34, 0.24, 2};
    case CutOutEdgeStyle::torn:
    case CutOutEdgeStyle::straight:
        break;
    }
    return {16, 0.18, 1.25};
}

double baseAmplitude(CutOutEdgeStyle style, double thickness) {
    switch (style) {
    case CutOutEdgeStyle::straight:
        return 0;
    case CutOutEdgeStyle::torn:
        return std::clamp(0.09 * thickness, 2.0, 7.0);
    case CutOutEdgeStyle::zigzag:
        return std::clamp(0.3 * thickness, 2.5, 16.0);
    case CutOutEdgeStyle::wave:
        return std::clamp(0.26 * thickness, 2.5, 15.0);
    }
    return 0;
}

double fract(double x) {
    return x - std::floor(x);
}

double finiteOr(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}

// The second long side runs the same pattern from its own phase so the two tears differ.
constexpr double kSecondSidePhase = 1.9;
constexpr double kSecondSideNoiseShift = 7.3;

} // namespace

double CutOutEdge::noise(double k, double x) {
    const double i = std::floor(x);
    const double f = x - i;
    const double o = k * 19.19;
    auto h = [o](double j) { return 2 * fract(std::sin((j + o) * 12.9898) * 43758.5453) - 1; };
    return h(i) + f * f * (3 - 2 * f) * (h(i + 1) - h(i));
}

CutOutEdge::Params CutOutEdge::params(const QRectF& rect, CutOutOrientation orientation,
                                      CutOutEdgeStyle style, double density, double depth) {
    const QRectF r = rect.normalized();
    Params p;
    const bool horizontal = orientation == CutOutOrientation::horizontal;
    p.length = horizontal ? r.width() : r.height();
    p.thickness = horizontal ? r.height() : r.width();
    if (style == CutOutEdgeStyle::straight) {
        p.samples = 1;
        p.cycles = 1;
        return p;
    }
    density = finiteOr(density, 1);
    const double depthFactor = std::clamp(finiteOr(depth, 1), 0.3, 2.0);
    const double d = std::clamp(density, 0.5, 3.0);
    p.amplitude = std::min(depthFactor * baseAmplitude(style, p.thickness), 0.44 * p.thickness);

    const StyleTable t = table(style);
    const double periodForSamples = t.basePeriod / d;
    double step = t.minimumStep;
    if (periodForSamples >= 1.5 && periodForSamples * t.sampleFactor >= t.minimumStep) {
        step = periodForSamples * t.sampleFactor;
    }
    step = std::max(step, 1.0);
    p.samples = int(std::clamp(std::ceil(p.length / step), 8.0, 2400.0));

    if (density >= 3) {
        p.period = t.basePeriod / 3;
    } else if (density >= 0.5) {
        p.period = std::max(t.basePeriod / density, 1.5);
    } else {
        p.period = 2 * t.basePeriod;
    }
    p.cycles = std::max(p.length / p.period, 1.0);
    return p;
}

double CutOutEdge::offset(const Params& p, CutOutEdgeStyle style, const QRectF& rect, int side, double t) {
    const double phase = side == 0 ? 0 : kSecondSidePhase;
    switch (style) {
    case CutOutEdgeStyle::straight:
        return 0;
    case CutOutEdgeStyle::zigzag: {
        const double ph = fract(p.cycles * t + phase / (2 * std::numbers::pi));
        const double tri = ph < 0.5 ? 4 * ph - 1 : 3 - 4 * ph;
        return p.amplitude * tri;
    }
    case CutOutEdgeStyle::wave:
        return p.amplitude * std::sin(2 * std::numbers::pi * p.cycles * t + phase);
    case CutOutEdgeStyle::torn: {
        const QRectF r = rect.normalized();
        const double s = r.top() * 0.73 + r.center().x() * 0.017 + r.height() * 0.041;
        const double u = 2 * std::numbers::pi * p.cycles * t + phase;
        const double v = s * 0.073 + (side == 0 ? 0 : kSecondSideNoiseShift);
        const double raw = 0.66 * noise(0, v + u) + 0.26 * noise(9, 1.7 * v + 2.35 * u) +
                           0.08 * std::sin(v + 5.1 * u) + 0.04 * std::sin(1.9 * v + 8.7 * u);
        return p.amplitude * std::clamp(raw, -1.0, 1.0);
    }
    }
    return 0;
}

QPainterPath CutOutEdge::path(const QRectF& rect, CutOutOrientation orientation, CutOutEdgeStyle style,
                              double density, double depth) {
    const QRectF r = rect.normalized();
    const Params p = params(r, orientation, style, density, depth);
    const bool horizontal = orientation == CutOutOrientation::horizontal;
    const int n = std::max(1, p.samples);
    // A point on long side `side` at t, displaced across the strip.
    auto at = [&](int side, double t) {
        const double off = offset(p, style, r, side, t);
        if (horizontal) {
            const double y = (side == 0 ? r.top() : r.bottom()) + off;
            return QPointF(r.left() + t * r.width(), y);
        }
        const double x = (side == 0 ? r.left() : r.right()) + off;
        return QPointF(x, r.top() + t * r.height());
    };
    QPainterPath path;
    path.moveTo(at(0, 0));
    for (int i = 1; i <= n; ++i) {
        path.lineTo(at(0, double(i) / n));
    }
    for (int i = n; i >= 0; --i) {
        path.lineTo(at(1, double(i) / n));
    }
    path.closeSubpath();
    return path;
}

} // namespace mebo
