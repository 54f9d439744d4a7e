#include "document/PngBytes.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

namespace mebo {

namespace {

// Qt refuses images above a process-wide allocation limit (128 MB in Qt 6.4), which a 60-megapixel
// capture exceeds. Our own pixel limit is checked first, so Qt's only has to admit what that one
// allows: 2^26 pixels at up to 8 bytes (16-bit RGBA). Raised once, never lowered.
void admitLargestAllowedImage() {
    static const bool done = [] {
        constexpr int kNeededMiB = int((PngBytes::kMaxPixels * 8) >> 20);
        const int current = QImageReader::allocationLimit();
        if (current != 0 && current < kNeededMiB) {
            QImageReader::setAllocationLimit(kNeededMiB);
        }
        return true;
    }();
    (void)done;
}

} // namespace

QSize PngBytes::declaredSize(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setDecideFormatFromContent(false);
    return reader.size();
}

QImage PngBytes::decode(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > kMaxBytes) {
        return {};
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    // Only the PNG handler: the bytes are PNG by definition, and other formats would widen what a
    // file can make us parse.
    QImageReader reader(&buffer, "png");
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size(); // IHDR only; nothing is allocated yet
    if (!size.isValid() || size.isEmpty() || size.width() > kMaxSide || size.height() > kMaxSide ||
        qint64(size.width()) * size.height() > kMaxPixels) {
        return {};
    }
    admitLargestAllowedImage();
    QImage image;
    if (!reader.read(&image) || image.size() != size) {
        return {};
    }
    return image;
}

QByteArray PngBytes::encode(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image)) {
        return {};
    }
    return out;
}

} // namespace mebo
