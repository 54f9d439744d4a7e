#include "editor/StraightCut.h"

#include <QColorSpace>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace mebo {

std::optional<StraightCut> StraightCut::make(const QImage& image, CutOutOrientation orientation, double from,
                                             double to) {
    const bool horizontal = orientation == CutOutOrientation::horizontal;
    const int extent = horizontal ? image.height() : image.width();
    if (!std::isfinite(from) || !std::isfinite(to) || image.isNull()) {
        return std::nullopt;
    }
    const int a = std::clamp(int(std::lround(std::min(from, to))), 0, extent);
    const int b = std::clamp(int(std::lround(std::max(from, to))), 0, extent);
    // Nothing to remove, or nothing would be left.
    if (b - a <= 0 || b - a >= extent) {
        return std::nullopt;
    }
    return StraightCut(horizontal, a, b);
}

QImage StraightCut::apply(const QImage& image) const {
    const int cut = end_ - start_;
    // Rows are joined byte-wise, so palette and sub-byte formats are widened first.
    const bool byteWise = image.depth() >= 8 && image.format() != QImage::Format_Indexed8;
    const QImage source = byteWise ? image : image.convertToFormat(QImage::Format_ARGB32);
    QImage joined(horizontal_ ? QSize(source.width(), source.height() - cut)
                              : QSize(source.width() - cut, source.height()),
                  source.format());
    if (joined.isNull()) {
        return {};
    }
    joined.setColorSpace(source.colorSpace());
    joined.setDevicePixelRatio(source.devicePixelRatio());
    const int bpp = source.depth() / 8;
    if (horizontal_) {
        for (int y = 0; y < joined.height(); ++y) {
            const int fromY = y < start_ ? y : y + cut;
            std::memcpy(joined.scanLine(y), source.constScanLine(fromY), size_t(source.bytesPerLine()));
        }
    } else {
        const size_t left = size_t(start_) * bpp;
        const size_t right = size_t(source.width() - end_) * bpp;
        for (int y = 0; y < joined.height(); ++y) {
            const uchar* in = source.constScanLine(y);
            uchar* out = joined.scanLine(y);
            std::memcpy(out, in, left);
            std::memcpy(out + left, in + size_t(end_) * bpp, right);
        }
    }
    return joined;
}

LayerPtr StraightCut::moved(const LayerPtr& layer) const {
    const QPointF c = layer->bounds().center();
    const int cut = end_ - start_;
    if ((horizontal_ ? c.y() : c.x()) < end_) {
        return layer;
    }
    return horizontal_ ? layer->translated(0, -cut) : layer->translated(-cut, 0);
}

double StraightCut::map(double v) const {
    return v < start_ ? v : (v < end_ ? double(start_) : v - (end_ - start_));
}

QRectF StraightCut::mapped(const QRectF& rect, const QRect& joinedRect) const {
    QRectF r = rect;
    if (horizontal_) {
        r.setTop(map(r.top()));
        r.setBottom(map(r.bottom()));
    } else {
        r.setLeft(map(r.left()));
        r.setRight(map(r.right()));
    }
    r = r.intersected(QRectF(joinedRect));
    return r.isEmpty() ? QRectF(joinedRect) : r;
}

} // namespace mebo
