#include "document/ImageFilters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace mebo::ImageFilters {

namespace {

// Box widths whose three passes approximate a Gaussian of the given sigma.
std::array<int, 3> boxesForGauss(double sigma) {
    const double ideal = std::sqrt(12.0 * sigma * sigma / 3 + 1);
    int wl = int(std::floor(ideal));
    if (wl % 2 == 0) {
        --wl;
    }
    const int wu = wl + 2;
    const double mIdeal = (12 * sigma * sigma - 3.0 * wl * wl - 4.0 * 3 * wl - 3.0 * 3) / (-4.0 * wl - 4);
    const int m = int(std::lround(mIdeal));
    std::array<int, 3> sizes{};
    for (int i = 0; i < 3; ++i) {
        sizes[i] = i < m ? wl : wu;
    }
    return sizes;
}

// One running-sum box pass, radius r, edges clamped: reads `count` contiguous pixels from src and
// writes them `stride` apart into dst.
void boxLine(const uint32_t* src, uint32_t* dst, int count, int stride, int r) {
    if (r <= 0 || count <= 1) {
        for (int i = 0; i < count; ++i) {
            dst[i * stride] = src[i];
        }
        return;
    }
    const uint32_t width = uint32_t(2 * r + 1);
    auto at = [&](int i) { return src[std::clamp(i, 0, count - 1)]; };
    uint32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    for (int i = -r; i <= r; ++i) {
        const uint32_t p = at(i);
        s0 += p & 0xff;
        s1 += (p >> 8) & 0xff;
        s2 += (p >> 16) & 0xff;
        s3 += p >> 24;
    }
    const uint32_t half = width / 2;
    for (int i = 0; i < count; ++i) {
        dst[i * stride] = ((s0 + half) / width) | (((s1 + half) / width) << 8) |
                          (((s2 + half) / width) << 16) | (((s3 + half) / width) << 24);
        const uint32_t out = at(i - r);
        const uint32_t in = at(i + r + 1);
        s0 += (in & 0xff) - (out & 0xff);
        s1 += ((in >> 8) & 0xff) - ((out >> 8) & 0xff);
        s2 += ((in >> 16) & 0xff) - ((out >> 16) & 0xff);
        s3 += (in >> 24) - (out >> 24);
    }
}

} // namespace

void gaussianBlur(QImage& image, double sigma) {
    if (image.isNull() || !(sigma > 0.2) || !std::isfinite(sigma)) {
        return;
    }
    if (image.format() != QImage::Format_ARGB32_Premultiplied) {
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    const int w = image.width();
    const int h = image.height();
    // A blur wider than the image is the same as one as wide as it.
    sigma = std::min(sigma, double(std::max(w, h)));
    const auto boxes = boxesForGauss(sigma);
    std::vector<uint32_t> line(size_t(std::max(w, h)));
    const int stride = int(image.bytesPerLine() / 4);
    auto* bits = reinterpret_cast<uint32_t*>(image.bits());
    for (int box : boxes) {
        const int r = (box - 1) / 2;
        for (int y = 0; y < h; ++y) {
            uint32_t* row = bits + size_t(y) * stride;
            std::copy(row, row + w, line.begin());
            boxLine(line.data(), row, w, 1, r);
        }
        for (int x = 0; x < w; ++x) {
            for (int y = 0; y < h; ++y) {
                line[size_t(y)] = bits[size_t(y) * stride + x];
            }
            boxLine(line.data(), bits + x, h, stride, r);
        }
    }
}

void pixelate(QImage& image, double cellSize) {
    if (image.isNull() || !std::isfinite(cellSize)) {
        return;
    }
    const int cell = std::max(1, int(std::lround(cellSize)));
    if (cell <= 1) {
        return;
    }
    if (image.format() != QImage::Format_ARGB32_Premultiplied) {
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    const int w = image.width();
    const int h = image.height();
    const int stride = int(image.bytesPerLine() / 4);
    auto* bits = reinterpret_cast<uint32_t*>(image.bits());
    for (int by = 0; by < h; by += cell) {
        const int ye = std::min(h, by + cell);
        for (int bx = 0; bx < w; bx += cell) {
            const int xe = std::min(w, bx + cell);
            uint64_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
            for (int y = by; y < ye; ++y) {
                const uint32_t* row = bits + size_t(y) * stride;
                for (int x = bx; x < xe; ++x) {
                    const uint32_t p = row[x];
                    s0 += p & 0xff;
                    s1 += (p >> 8) & 0xff;
                    s2 += (p >> 16) & 0xff;
                    s3 += p >> 24;
                }
            }
            const uint64_t n = uint64_t(ye - by) * uint64_t(xe - bx);
            const uint32_t avg = uint32_t((s0 + n / 2) / n) | (uint32_t((s1 + n / 2) / n) << 8) |
                                 (uint32_t((s2 + n / 2) / n) << 16) | (uint32_t((s3 + n / 2) / n) << 24);
            for (int y = by; y < ye; ++y) {
                std::fill(bits + size_t(y) * stride + bx, bits + size_t(y) * stride + xe, avg);
            }
        }
    }
}

QImage copyPremultiplied(const QImage& source, const QRect& area) {
    const QRect clipped = area.intersected(source.rect());
    if (clipped.isEmpty()) {
        return {};
    }
    return source.copy(clipped).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace mebo::ImageFilters
