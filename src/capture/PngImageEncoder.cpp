#include "capture/PngEncoder.h"

#include <QImage>

#include <bit>
#include <cstring>

namespace mebo {

namespace {

using Layout = PngPixels::Layout;

// The formats PngEncoder reads directly; everything else is converted to one of them first.
struct Source {
    QImage image; // shares or owns the pixels
    Layout layout = Layout::Xrgb32;
    int channels = 3; // written: 3 = RGB, 4 = RGBA
};

bool isOpaque(const QImage& image, Layout layout) {
    const int w = image.width();
    // The alpha byte of a 32-bit word in memory order: RGBA8888 keeps it in the fourth byte.
    const uint32_t alphaMask = layout == Layout::Xrgb32                     ? 0xFF000000u
                               : std::endian::native == std::endian::little ? 0xFF000000u
                                                                            : 0x000000FFu;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        uint32_t all = 0xFFFFFFFFu;
        for (int x = 0; x < w; ++x) {
            uint32_t px;
            std::memcpy(&px, line + size_t(x) * 4, 4);
            all &= px;
        }
        if ((all & alphaMask) != alphaMask)
            return false;
    }
    return true;
}

Source prepare(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_RGB32:
        return {image, Layout::Xrgb32, 3};
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        // Opaque premultiplied pixels equal straight ones; only translucent ones need converting.
        if (isOpaque(image, Layout::Xrgb32))
            return {image, Layout::Xrgb32, 3};
        if (image.format() == QImage::Format_ARGB32)
            return {image, Layout::Xrgb32, 4};
        return {image.convertToFormat(QImage::Format_ARGB32), Layout::Xrgb32, 4};
    case QImage::Format_RGBX8888:
        return {image, Layout::Rgba8, 3};
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        if (isOpaque(image, Layout::Rgba8))
            return {image, Layout::Rgba8, 3};
        if (image.format() == QImage::Format_RGBA8888)
            return {image, Layout::Rgba8, 4};
        return {image.convertToFormat(QImage::Format_RGBA8888), Layout::Rgba8, 4};
    case QImage::Format_RGB888:
        return {image, Layout::Rgb8, 3};
    default:
        if (image.hasAlphaChannel())
            return prepare(image.convertToFormat(QImage::Format_ARGB32));
        return {image.convertToFormat(QImage::Format_RGB32), Layout::Xrgb32, 3};
    }
}

} // namespace

QByteArray PngEncoder::encode(const QImage& image, const PngEncodeOptions& options) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return {};
    const Source src = prepare(image);
    if (src.image.isNull())
        return {};
    PngPixels pixels;
    pixels.data = src.image.constBits();
    pixels.width = src.image.width();
    pixels.height = src.image.height();
    pixels.bytesPerLine = size_t(src.image.bytesPerLine());
    pixels.layout = src.layout;
    pixels.channels = src.channels;
    pixels.dotsPerMeterX = src.image.dotsPerMeterX();
    pixels.dotsPerMeterY = src.image.dotsPerMeterY();
    return encode(pixels, options);
}

} // namespace mebo
