#include "video/WebcamLayout.h"

#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

constexpr double kMargin = 16;
constexpr double kRoundedRadius = 12;

std::optional<double> presetScale(WebcamSizePreset preset) {
    switch (preset) {
    case WebcamSizePreset::small:
        return 0.14;
    case WebcamSizePreset::medium:
        return 0.2;
    case WebcamSizePreset::large:
        return 0.28;
    case WebcamSizePreset::custom:
        break;
    }
    return std::nullopt;
}

} // namespace

WebcamLayout WebcamLayout::withLayoutPreset(WebcamLayoutPreset preset) const {
    WebcamLayout out = *this;
    out.layoutPreset = preset;
    switch (preset) {
    case WebcamLayoutPreset::topLeft:
        out.anchor = WebcamAnchor::topLeft;
        break;
    case WebcamLayoutPreset::topRight:
        out.anchor = WebcamAnchor::topRight;
        break;
    case WebcamLayoutPreset::bottomLeft:
        out.anchor = WebcamAnchor::bottomLeft;
        break;
    case WebcamLayoutPreset::bottomRight:
        out.anchor = WebcamAnchor::bottomRight;
        break;
    case WebcamLayoutPreset::center:
        out.anchor = WebcamAnchor::custom;
        out.x = 0.5;
        out.y = 0.5;
        break;
    case WebcamLayoutPreset::custom:
        out.anchor = WebcamAnchor::custom;
        out.x = x.value_or(0.5);
        out.y = y.value_or(0.5);
        break;
    }
    return out;
}

WebcamLayout WebcamLayout::withSizePreset(WebcamSizePreset preset) const {
    WebcamLayout out = *this;
    out.sizePreset = preset;
    out.scale = presetScale(preset).value_or(scale);
    return out;
}

double WebcamLayout::effectiveScale() const {
    const double s = (sizePreset ? presetScale(*sizePreset) : std::nullopt).value_or(scale);
    return std::isfinite(s) ? std::clamp(s, 0.05, 1.0) : 0.2;
}

WebcamSizePreset WebcamLayout::shownSizePreset() const {
    if (sizePreset) {
        return *sizePreset;
    }
    for (WebcamSizePreset p : allCases<WebcamSizePreset>()) {
        const auto s = presetScale(p);
        if (s && std::abs(*s - scale) < 0.005) {
            return p;
        }
    }
    return WebcamSizePreset::custom;
}

WebcamLayout WebcamLayout::withCustomPositionIn(const QRectF& frame) const {
    const bool custom =
        layoutPreset ? *layoutPreset == WebcamLayoutPreset::custom : anchor == WebcamAnchor::custom;
    const QPointF centre = webcamCentre(*this, frame);
    WebcamLayout out = *this;
    out.x = custom && x ? *x : centre.x();
    out.y = custom && y ? *y : centre.y();
    return out.withLayoutPreset(WebcamLayoutPreset::custom);
}

QPointF webcamCentre(const WebcamLayout& layout, const QRectF& frame) {
    if (frame.width() <= 0 || frame.height() <= 0) {
        return {0.5, 0.5};
    }
    const QPointF c = placeWebcam(layout, frame).rect.center();
    return {(c.x() - frame.left()) / frame.width(), (c.y() - frame.top()) / frame.height()};
}

WebcamPlacement placeWebcam(const WebcamLayout& layout, const QRectF& frame) {
    const double w = frame.width() * layout.effectiveScale();
    const double h = layout.maskShape == WebcamMaskShape::circle ? w : 0.75 * w;
    const double left = frame.left() + kMargin;
    const double right = frame.left() + frame.width() - w - kMargin;
    const double bottom = frame.top() + kMargin; // QRectF's top is the frame's minimum y
    const double top = frame.top() + frame.height() - h - kMargin;

    // The preset decides when one is set, else the anchor.
    enum class Spot { topLeft, topRight, bottomLeft, bottomRight, center, custom };
    Spot spot = Spot::bottomRight;
    if (layout.layoutPreset) {
        spot = static_cast<Spot>(*layout.layoutPreset);
    } else {
        spot = layout.anchor == WebcamAnchor::custom ? Spot::custom : static_cast<Spot>(layout.anchor);
    }
    double x = 0;
    double y = 0;
    switch (spot) {
    case Spot::topLeft:
        x = left, y = top;
        break;
    case Spot::topRight:
        x = right, y = top;
        break;
    case Spot::bottomLeft:
        x = left, y = bottom;
        break;
    case Spot::bottomRight:
        x = right, y = bottom;
        break;
    case Spot::center:
        x = frame.left() + (frame.width() - w) / 2;
        y = frame.top() + (frame.height() - h) / 2;
        break;
    case Spot::custom:
        x = frame.left() + layout.x.value_or(0.5) * frame.width() - w / 2;
        y = frame.top() + layout.y.value_or(0.5) * frame.height() - h / 2;
        break;
    }
    // Outward to whole units.
    const double x0 = std::floor(x);
    const double y0 = std::floor(y);
    WebcamPlacement out;
    out.rect = QRectF(x0, y0, std::ceil(x + w) - x0, std::ceil(y + h) - y0);
    switch (layout.maskShape) {
    case WebcamMaskShape::circle:
        out.cornerRadius = std::min(w, h) / 2;
        break;
    case WebcamMaskShape::rect:
        out.cornerRadius = 0;
        break;
    case WebcamMaskShape::rounded:
        out.cornerRadius = kRoundedRadius;
        break;
    }
    return out;
}

} // namespace mebo
