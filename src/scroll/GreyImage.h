#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

namespace mebo {

// A one-byte-per-pixel grey copy of a frame, rows packed (bytes per row = width). The stitcher
// compares frames only through these.
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    bool isNull() const { return width <= 0 || height <= 0; }
    const uint8_t* row(int y) const { return pixels.data() + size_t(y) * size_t(width); }
    uint8_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }

    // Luma (0.30 R + 0.59 G + 0.11 B) of every pixel; any QImage format.
    static GreyImage of(const QImage& image);
    // The first `count` rows.
    GreyImage topRows(int count) const;
    // The columns [x, x + w) of every row.
    GreyImage columns(int x, int w) const;
};

} // namespace mebo
