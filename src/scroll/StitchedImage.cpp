#include "scroll/StitchedImage.h"

#include "app/LargeImage.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace mebo {

namespace {

QImage opaque(const QImage& image) {
    return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
}

// Copies `src` rows [sy, sy + rows) from column `sx` into `dst` from row `dy`, left-aligned;
// columns beyond `src` stay as they are.
void copyRows(const QImage& src, int sy, int rows, QImage& dst, int dy, int sx = 0) {
    const int bytes = std::min(src.width() - sx, dst.width()) * 4;
    if (bytes <= 0) {
        return;
    }
    for (int i = 0; i < rows; ++i) {
        std::memcpy(dst.scanLine(dy + i), src.constScanLine(sy + i) + size_t(sx) * 4, size_t(bytes));
    }
}

} // namespace

StitchedImage::StitchedImage(const QImage& first) {
    if (first.isNull()) {
        return;
    }
    bands_ << opaque(first).copy();
    width_ = first.width();
    height_ = first.height();
}

void StitchedImage::append(const QImage& frame, int rows, int outputWidth) {
    if (rows <= 0) {
        return;
    }
    const int taken = std::min(rows, frame.height());
    QImage band(outputWidth, rows, QImage::Format_RGB32);
    if (taken < rows || frame.width() < outputWidth) {
        band.fill(Qt::black); // only where the frame leaves rows or columns uncovered
    }
    copyRows(opaque(frame), frame.height() - taken, taken, band, rows - taken);
    bands_ << band;
    width_ = std::max(width_, outputWidth);
    height_ += rows;
}

void StitchedImage::removeBottomRows(int rows) {
    rows = std::clamp(rows, 0, height_ - 1);
    while (rows > 0 && !bands_.isEmpty()) {
        QImage& last = bands_.last();
        if (last.height() <= rows) {
            rows -= last.height();
            height_ -= last.height();
            bands_.removeLast();
        } else {
            last = last.copy(0, 0, last.width(), last.height() - rows);
            height_ -= rows;
            rows = 0;
        }
    }
}

QImage StitchedImage::bottomRows(int rows) const {
    rows = std::clamp(rows, 0, height_);
    QImage out(width_, rows, QImage::Format_RGB32);
    out.fill(Qt::black);
    int y = rows;
    for (auto it = bands_.crbegin(); it != bands_.crend() && y > 0; ++it) {
        const int n = std::min(y, it->height());
        copyRows(*it, it->height() - n, n, out, y - n);
        y -= n;
    }
    return out;
}

void StitchedImage::excludeColumns(int left, int right) {
    excludeLeft_ = std::max(excludeLeft_, left);
    excludeRight_ = std::max(excludeRight_, right);
}

QImage StitchedImage::compose() const {
    const int width = width_ - excludeLeft_ - excludeRight_;
    if (height_ == 0 || width <= 0) {
        return {};
    }
    QImage out = largeImage(width, height_, QImage::Format_RGB32);
    if (out.isNull()) {
        return {};
    }
    // Black only shows where a band is narrower than the image (the output widened later).
    if (std::any_of(bands_.cbegin(), bands_.cend(),
                    [this](const QImage& b) { return b.width() < width_ - excludeRight_; })) {
        out.fill(Qt::black);
    }
    int y = 0;
    for (const QImage& b : bands_) {
        copyRows(b, 0, b.height(), out, y, excludeLeft_);
        y += b.height();
    }
    return out;
}

} // namespace mebo
