#pragma once

#include <QImage>
#include <QString>

namespace mebo {

// Writes a picture in the format its file name asks for: PNG (the capture encoder), JPEG and WebP
// at a quality, or another format Qt can write (BMP, TIFF...). Formats without transparency get
// the picture laid on white. The file is either absent or complete: written beside it, then moved
// into place. Thread-safe.
class ImageExporter {
public:
    enum class Format { png, jpeg, webp, other };

    // By the name's extension, ignoring case; no extension or an unknown one is PNG.
    static Format formatFor(const QString& path);
    // `quality` (1 to 100) applies to JPEG and WebP. On failure answers false with the reason.
    static bool write(const QImage& image, const QString& path, int quality, QString* error);
};

} // namespace mebo
