#pragma once

#include <QByteArray>
#include <QImage>
#include <QtGlobal>

namespace mebo {

// PNG bytes inside project files: the base image and the images of paste and region-fill layers.
// Decoding is bounded so that a file cannot make us allocate without limit: the declared size is
// read from the header and checked before any pixel memory is allocated.
class PngBytes {
public:
    // 2^26 pixels (67.1 megapixels, 256 MiB as 32-bit pixels): room for a 60-megapixel capture.
    static constexpr qint64 kMaxPixels = qint64(1) << 26;
    // Longest side; tall scrolling captures stay far below it.
    static constexpr int kMaxSide = 1 << 18;
    // Largest PNG accepted: an incompressible 2^26-pixel RGBA image plus its framing.
    static constexpr qsizetype kMaxBytes = qsizetype(320) << 20;

    // The image, or a null image when the bytes are not a PNG, declare a size beyond the limits,
    // or are damaged.
    static QImage decode(const QByteArray& bytes);
    // The header's size, if the bytes start like a PNG.
    static QSize declaredSize(const QByteArray& bytes);
    // Lossless PNG of `image`; empty for a null image or when encoding fails.
    static QByteArray encode(const QImage& image);
};

} // namespace mebo
