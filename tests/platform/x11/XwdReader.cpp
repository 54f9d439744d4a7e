#include "XwdReader.h"

#include <QtEndian>
#include <bit>
#include <cmath>

namespace mebo::test::x11 {

namespace {

enum Field {
    HeaderSize,
    FileVersion,
    PixmapFormat,
    PixmapDepth,
    PixmapWidth,
    PixmapHeight,
    XOffset,
    ByteOrder,
    BitmapUnit,
    BitmapBitOrder,
    BitmapPad,
    BitsPerPixel,
    BytesPerLine,
    VisualClass,
    RedMask,
    GreenMask,
    BlueMask,
    BitsPerRgb,
    ColormapEntries,
    NColors,
    FieldCount = 25,
};
constexpr int xwdColorBytes = 12;
constexpr uint32_t zPixmap = 2;
constexpr uint32_t trueColor = 4;

int channel(uint32_t pixel, uint32_t mask) {
    const int shift = std::countr_zero(mask);
    const uint32_t max = mask >> shift;
    const uint32_t v = (pixel & mask) >> shift;
    return int(std::lround(double(v) * 255.0 / double(max)));
}

} // namespace

QImage XwdReader::decode(const QByteArray& data, QString* error) {
    if (data.size() < FieldCount * 4) {
        *error = QStringLiteral("short XWD header (%1 bytes)").arg(data.size());
        return {};
    }
    uint32_t h[FieldCount];
    for (int i = 0; i < FieldCount; ++i) {
        h[i] = qFromBigEndian<uint32_t>(data.constData() + i * 4);
    }
    if (h[FileVersion] != 7 || h[PixmapFormat] != zPixmap || h[VisualClass] != trueColor) {
        *error = QStringLiteral("unexpected XWD: version %1 format %2 class %3")
                     .arg(h[FileVersion])
                     .arg(h[PixmapFormat])
                     .arg(h[VisualClass]);
        return {};
    }
    const uint32_t bpp = h[BitsPerPixel];
    if (bpp != 16 && bpp != 32) {
        *error = QStringLiteral("unsupported XWD bits per pixel %1").arg(bpp);
        return {};
    }
    const qsizetype offset = qsizetype(h[HeaderSize]) + qsizetype(h[NColors]) * xwdColorBytes;
    const int width = int(h[PixmapWidth]);
    const int height = int(h[PixmapHeight]);
    const qsizetype stride = h[BytesPerLine];
    if (data.size() < offset + stride * height) {
        *error = QStringLiteral("XWD truncated: %1 bytes for %2x%3").arg(data.size()).arg(width).arg(height);
        return {};
    }
    const bool msbFirst = h[ByteOrder] == 1;
    QImage out(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const uchar* row = reinterpret_cast<const uchar*>(data.constData() + offset + stride * y);
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < width; ++x) {
            uint32_t p = 0;
            if (bpp == 32) {
                p = msbFirst ? qFromBigEndian<uint32_t>(row + x * 4)
                             : qFromLittleEndian<uint32_t>(row + x * 4);
            } else {
                p = msbFirst ? qFromBigEndian<uint16_t>(row + x * 2)
                             : qFromLittleEndian<uint16_t>(row + x * 2);
            }
            dst[x] = qRgb(channel(p, h[RedMask]), channel(p, h[GreenMask]), channel(p, h[BlueMask]));
        }
    }
    return out;
}

} // namespace mebo::test::x11
