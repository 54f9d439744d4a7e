#pragma once

#include "platform/Result.h"

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>

class QImage;

namespace mebo::platform::x11 {

class X11Connection;

// How the server lays out ZPixmap pixels of the root window, and the conversion of such rows to
// opaque QImage::Format_RGB32. Depth 24/32 BGRX in the host's byte order (every little-endian
// desktop) is a straight copy with the alpha byte forced; other TrueColor layouts with 16 or 32
// bits per pixel go through the visual's masks.
class X11PixelFormat {
public:
    // Reads the root visual and the pixmap format of the root depth from the connection setup.
    static Result<X11PixelFormat> forRoot(const X11Connection& conn);
    // For any layout; fails for the ones convertRows() cannot handle.
    static Result<X11PixelFormat> make(int depth, int bitsPerPixel, int scanlinePad, uint32_t redMask,
                                       uint32_t greenMask, uint32_t blueMask, bool lsbFirst);

    int depth() const { return depth_; }
    int bitsPerPixel() const { return bpp_; }
    // Bytes per row of a ZPixmap image `width` pixels wide.
    int stride(int width) const;
    // Whether rows are copied as they are (plus the alpha byte).
    bool isDirectCopy() const { return direct_; }

    // Converts `rows` rows of `width` pixels from `src` (row pitch `srcStride`) into `dst`
    // starting at row `dstY`. `dst` is RGB32 and at least `width` wide.
    void convertRows(const uint8_t* src, int srcStride, int width, int rows, QImage& dst, int dstY) const;
    // The same into RGB32 rows `dstStride` bytes apart.
    void convertRows(const uint8_t* src, int srcStride, int width, int rows, uint32_t* dst,
                     size_t dstStride) const;

private:
    struct Channel {
        uint32_t mask = 0;
        int shift = 0;
        int bits = 0;
        std::array<uint8_t, 256> to8{}; // used when bits <= 8
    };
    static Channel channel(uint32_t mask);
    uint32_t readPixel(const uint8_t* p) const;
    static uint8_t expand(const Channel& ch, uint32_t pixel);

    int depth_ = 0;
    int bpp_ = 0;
    int pad_ = 32;
    bool lsbFirst_ = true;
    bool direct_ = false;
    bool swap32_ = false; // 0x00RRGGBB layout in the other byte order
    Channel red_, green_, blue_;
};

} // namespace mebo::platform::x11
