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

const QList<int>& VideoOutputSize::exportFpsChoices() {
    static const QList<int> list{5, 10, 15, 24, 30, 60};
    return list;
}

const QList<int>& VideoOutputSize::exportHeightChoices() {
    static const QList<int> list{720, 1080, 1440, 2160};
    return list;
}

QString VideoOutputSize::resolutionTitle(std::optional<qint64> height, std::optional<QSizeF> source) {
    if (!height) {
        return QStringLiteral("Original");
    }
    if (source && source->width() > 0 && source->height() > 0) {
        const double h = double(*height);
        return QStringLiteral("%1p (%2x%3)")
            .arg(*height)
            .arg(even(source->width() * h / source->height()))
            .arg(even(h));
    }
    return *height == 2160 ? QStringLiteral("2160p (4K)") : QStringLiteral("%1p").arg(*height);
}

const QList<VideoOutputSize::AspectChoice>& VideoOutputSize::aspectChoices() {
    static const QList<AspectChoice> list{{QStringLiteral("Original"), std::nullopt},
                                          {QStringLiteral("16:9"), 16.0 / 9.0},
                                          {QStringLiteral("9:16"), 9.0 / 16.0},
                                          {QStringLiteral("1:1"), 1.0},
                                          {QStringLiteral("4:3"), 4.0 / 3.0}};
    return list;
}

} // namespace mebo
