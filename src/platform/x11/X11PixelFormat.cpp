#include "platform/x11/X11PixelFormat.h"

#include "platform/x11/X11Connection.h"

#include <QtEndian>
#include <bit>
#include <cstring>

namespace mebo::platform::x11 {

namespace {
constexpr bool hostIsLsbFirst = std::endian::native == std::endian::little;
} // namespace

Result<X11PixelFormat> X11PixelFormat::forRoot(const X11Connection& conn) {
    const xcb_screen_t* screen = conn.screen();
    const xcb_setup_t* setup = xcb_get_setup(conn.xcb());
    const xcb_visualtype_t* visual = nullptr;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem && !visual; xcb_depth_next(&d)) {
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            if (v.data->visual_id == screen->root_visual) {
                visual = v.data;
                break;
            }
        }
    }
    if (!visual) {
        return Result<X11PixelFormat>::fail(
            QStringLiteral("root visual 0x%1 not found").arg(screen->root_visual, 0, 16));
    }
    if (visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR) {
        return Result<X11PixelFormat>::fail(
            QStringLiteral("unsupported root visual class %1 (only TrueColor can be read)")
                .arg(visual->_class));
    }
    const xcb_format_t* format = nullptr;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f)) {
        if (f.data->depth == screen->root_depth) {
            format = f.data;
            break;
        }
    }
    if (!format) {
        return Result<X11PixelFormat>::fail(
            QStringLiteral("no pixmap format for depth %1").arg(screen->root_depth));
    }
    return make(screen->root_depth, format->bits_per_pixel, format->scanline_pad, visual->red_mask,
                visual->green_mask, visual->blue_mask, setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST);
}

Result<X11PixelFormat> X11PixelFormat::make(int depth, int bitsPerPixel, int scanlinePad, uint32_t redMask,
                                            uint32_t greenMask, uint32_t blueMask, bool lsbFirst) {
    using R = Result<X11PixelFormat>;
    if (bitsPerPixel != 16 && bitsPerPixel != 32) {
        return R::fail(QStringLiteral("unsupported pixel layout: depth %1, %2 bits per pixel")
                           .arg(depth)
                           .arg(bitsPerPixel));
    }
    if (scanlinePad != 8 && scanlinePad != 16 && scanlinePad != 32) {
        return R::fail(QStringLiteral("unsupported scanline pad %1").arg(scanlinePad));
    }
    for (uint32_t m : {redMask, greenMask, blueMask}) {
        // A channel is one contiguous run of bits inside the pixel.
        const bool contiguous = m != 0 && std::has_single_bit((m >> std::countr_zero(m)) + 1);
        if (!contiguous || (bitsPerPixel == 16 && m > 0xffff)) {
            return R::fail(QStringLiteral("unsupported colour masks %1/%2/%3")
                               .arg(redMask, 0, 16)
                               .arg(greenMask, 0, 16)
                               .arg(blueMask, 0, 16));
        }
    }
    X11PixelFormat f;
    f.depth_ = depth;
    f.bpp_ = bitsPerPixel;
    f.pad_ = scanlinePad;
    f.lsbFirst_ = lsbFirst;
    f.red_ = channel(redMask);
    f.green_ = channel(greenMask);
    f.blue_ = channel(blueMask);
    const bool rgb888 = bitsPerPixel == 32 && redMask == 0xff0000 && greenMask == 0xff00 && blueMask == 0xff;
    f.direct_ = rgb888 && lsbFirst == hostIsLsbFirst;
    f.swap32_ = rgb888 && !f.direct_;
    return R::ok(f);
}

X11PixelFormat::Channel X11PixelFormat::channel(uint32_t mask) {
    Channel ch;
    ch.mask = mask;
    ch.shift = std::countr_zero(mask);
    ch.bits = std::popcount(mask);
    if (ch.bits <= 8) {
        // Scales 0..max onto 0..255 with rounding, so full intensity stays 255 (31 -> 255 for 5 bits).
        const uint32_t max = (1u << ch.bits) - 1;
        for (uint32_t v = 0; v <= max; ++v) {
            ch.to8[v] = uint8_t((v * 255 + max / 2) / max);
        }
    }
    return ch;
}

int X11PixelFormat::stride(int width) const {
    const int bits = width * bpp_;
    return ((bits + pad_ - 1) / pad_) * (pad_ / 8);
}

uint32_t X11PixelFormat::readPixel(const uint8_t* p) const {
    if (bpp_ == 32) {
        return lsbFirst_ ? qFromLittleEndian<uint32_t>(p) : qFromBigEndian<uint32_t>(p);
    }
    return lsbFirst_ ? qFromLittleEndian<uint16_t>(p) : qFromBigEndian<uint16_t>(p);
}

uint8_t X11PixelFormat::expand(const Channel& ch, uint32_t pixel) {
    const uint32_t v = (pixel & ch.mask) >> ch.shift;
    return ch.bits <= 8 ? ch.to8[v] : uint8_t(v >> (ch.bits - 8));
}

void X11PixelFormat::convertRows(const uint8_t* src, int srcStride, int width, int rows, uint32_t* dst,
                                 size_t dstStride) const {
    for (int y = 0; y < rows; ++y) {
        const uint8_t* in = src + size_t(y) * size_t(srcStride);
        auto* out = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(dst) + size_t(y) * dstStride);
        if (direct_) {
            std::memcpy(out, in, size_t(width) * 4);
            for (int x = 0; x < width; ++x) {
                out[x] |= 0xff000000u;
            }
        } else if (swap32_) {
            std::memcpy(out, in, size_t(width) * 4);
            for (int x = 0; x < width; ++x) {
                out[x] = qbswap(out[x]) | 0xff000000u;
            }
        } else {
            const int bytes = bpp_ / 8;
            for (int x = 0; x < width; ++x) {
                const uint32_t p = readPixel(in + size_t(x) * size_t(bytes));
                out[x] = 0xff000000u | uint32_t(expand(red_, p)) << 16 | uint32_t(expand(green_, p)) << 8 |
                         expand(blue_, p);
            }
        }
    }
}

} // namespace mebo::platform::x11
