#include "capture/PngWriter.h"

#include "capture/PngEncoder.h"
#include "capture/PngFile.h"

namespace mebo {

QByteArray PngWriter::encode(const QImage& image) {
    return PngEncoder::encode(image, PngEncodeOptions{});
}

bool PngWriter::writeFile(const QImage& image, const QString& path, QString* error) {
    const QByteArray png = PngEncoder::encode(image, PngEncodeOptions{});
    if (png.isEmpty()) {
        if (error)
            *error = QStringLiteral("cannot encode the image as PNG (empty or too large)");
        return false;
    }
    return PngFile::write(png, path, error);
}

} // namespace mebo
