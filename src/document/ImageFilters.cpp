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
    // Division by the box width as a fixed-point multiply: sums stay below 2^8 x width.
    const uint64_t inv = ((uint64_t(1) << 32) + width - 1) / width;
    const uint64_t half = width / 2;
    auto avg = [inv, half](uint32_t sum) { return uint32_t(((sum + half) * inv) >> 32); };
    for (int i = 0; i < count; ++i) {
        dst[i * stride] = avg(s0) | (avg(s1) << 8) | (avg(s2) << 16) | (avg(s3) << 24);
        const uint32_t out = at(i - r);
        const uint32_t in = at(i + r + 1);
        s0 += (in & 0xff) - (out & 0xff);
        s1 += ((in >> 8) & 0xff) - ((out >> 8) & 0xff);
        s2 += ((in >> 16) & 0xff) - ((out >> 16) & 0xff);
        s3 += (in >> 24) - (out >> 24);
    }
}

// The single-channel form of boxLine, for alpha masks.
void boxLine8(const uint8_t* src, uint8_t* dst, int count, int stride, int r) {
    if (r <= 0 || count <= 1) {
        for (int i = 0; i < count; ++i) {
            dst[i * stride] = src[i];
        }
        return;
    }
    const uint32_t width = uint32_t(2 * r + 1);
    const uint64_t inv = ((uint64_t(1) << 32) + width - 1) / width;
    const uint64_t half = width / 2;
    auto at = [&](int i) { return uint32_t(src[std::clamp(i, 0, count - 1)]); };
    uint32_t sum = 0;
    for (int i = -r; i <= r; ++i) {
        sum += at(i);
    }
    for (int i = 0; i < count; ++i) {
        dst[i * stride] = uint8_t(((sum + half) * inv) >> 32);
        sum += at(i + r + 1) - at(i - r);
    }
}

} // namespace

void blurAlpha(QImage& mask, double sigma) {
    if (mask.isNull() || !(sigma > 0.2) || !std::isfinite(sigma)) {
        return;
    }
    if (mask.format() != QImage::Format_Alpha8) {
        mask = mask.convertToFormat(QImage::Format_Alpha8);
    }
    const int w = mask.width();
    const int h = mask.height();
    sigma = std::min(sigma, double(std::max(w, h)));
    const auto boxes = boxesForGauss(sigma);
    std::vector<uint8_t> line(size_t(std::max(w, h)));
    const int stride = int(mask.bytesPerLine());
    uint8_t* bits = mask.bits();
    for (int box : boxes) {
        const int r = (box - 1) / 2;
        for (int y = 0; y < h; ++y) {
            uint8_t* row = bits + size_t(y) * stride;
            std::copy(row, row + w, line.begin());
            boxLine8(line.data(), row, w, 1, r);
        }
        for (int x = 0; x < w; ++x) {
            for (int y = 0; y < h; ++y) {
                line[size_t(y)] = bits[size_t(y) * stride + x];
            }
            boxLine8(line.data(), bits + x, h, stride, r);
        }
    }
}

QImage alphaMask(const QImage& image, bool half) {
    const QImage src =
        image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = src.width();
    const int h = src.height();
    if (!half) {
        QImage mask(w, h, QImage::Format_Alpha8);
        for (int y = 0; y < h; ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            uchar* out = mask.scanLine(y);
            for (int x = 0; x < w; ++x) {
                out[x] = uchar(qAlpha(in[x]));
            }
        }
        return mask;
    }
    const int hw = (w + 1) / 2;
    const int hh = (h + 1) / 2;
    QImage mask(hw, hh, QImage::Format_Alpha8);
    for (int y = 0; y < hh; ++y) {
        const auto* r0 = reinterpret_cast<const QRgb*>(src.constScanLine(2 * y));
        const auto* r1 = reinterpret_cast<const QRgb*>(src.constScanLine(std::min(2 * y + 1, h - 1)));
        uchar* out = mask.scanLine(y);
        for (int x = 0; x < hw; ++x) {
            const int x1 = std::min(2 * x + 1, w - 1);
            const uint sum = qAlpha(r0[2 * x]) + qAlpha(r0[x1]) + qAlpha(r1[2 * x]) + qAlpha(r1[x1]);
            out[x] = uchar((sum + 2) / 4);
        }
    }
    return mask;
}

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
