#include "video/VideoOutputSize.h"

#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

double finiteOr(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

} // namespace

bool VideoOutputSize::isOfferedHeight(qint64 height) {
    return height == 720 || height == 1080 || height == 1440 || height == 2160;
}

QSizeF VideoOutputSize::contentSize(QSizeF source, const std::optional<QRectF>& cropRect) {
    double fx = 1;
    double fy = 1;
    if (cropRect) {
        const double x = std::clamp(finiteOr(cropRect->x(), 0), 0.0, 0.98);
        const double y = std::clamp(finiteOr(cropRect->y(), 0), 0.0, 0.98);
        fx = std::clamp(finiteOr(cropRect->width(), 1), 0.02, 1 - x);
        fy = std::clamp(finiteOr(cropRect->height(), 1), 0.02, 1 - y);
    }
    return {std::max(source.width() * fx, 1.0), std::max(source.height() * fy, 1.0)};
}

QSizeF VideoOutputSize::canvasSize(QSizeF source, const VideoSnapshot& edit) {
    QSizeF size = contentSize(source, edit.cropRect);
    double grow = 0;
    if (edit.showBackground) {
        grow += 2 * finiteOr(edit.backgroundPadding, 0);
        if (edit.showShadow) {
            grow += 2 * kShadowMargin * finiteOr(edit.shadowIntensity, 0);
        }
    }
    double w = std::max(size.width() + grow, 1.0);
    double h = std::max(size.height() + grow, 1.0);
    if (edit.canvasAspectRatio) {
        const double r = *edit.canvasAspectRatio;
        if (std::isfinite(r) && r > 0) {
            if (w / h >= r) {
                h = w / r;
            } else {
                w = h * r;
            }
            return {std::ceil(w), std::ceil(h)};
        }
    }
    return {w, h};
}

int VideoOutputSize::even(double value) {
    const double rounded = std::max(std::round(finiteOr(value, 2)), 2.0);
    const int v = int(std::min(rounded, 1e9));
    return v % 2 ? v + 1 : v;
}

QSize VideoOutputSize::renderSize(std::optional<QSizeF> source, const VideoSnapshot& edit) {
    QSizeF base = source.value_or(QSizeF(kFallbackSource));
    if (!(base.width() > 0 && base.height() > 0 && std::isfinite(base.width()) &&
          std::isfinite(base.height()))) {
        base = QSizeF(kFallbackSource);
    }
    const QSizeF canvas = canvasSize(base, edit);
    if (edit.exportResolutionHeight && isOfferedHeight(*edit.exportResolutionHeight)) {
        const double h = double(*edit.exportResolutionHeight);
        return {even(canvas.width() * h / canvas.height()), even(h)};
    }
    auto side = [](double v) { return int(std::clamp(std::ceil(v), 1.0, 1e9)); };
    return {side(canvas.width()), side(canvas.height())};
}

} // namespace mebo
