#include "main/CliImages.h"

#include "main/CliSupport.h"

#include <QImageReader>

namespace mebo::cli {

std::optional<QImage> readImageForRecognition(const QString& path) {
    constexpr qint64 kMaxPixels = 50'000'000;
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPixels) {
        printErr(QStringLiteral("%1: image too large for text recognition (%2×%3; at most 50 megapixels)")
                     .arg(path)
                     .arg(size.width())
                     .arg(size.height()));
        return std::nullopt;
    }
    reader.setAllocationLimit(int(kMaxPixels * 4 / (1024 * 1024)) + 1);
    QImage image = reader.read();
    if (image.isNull() || image.width() == 0 || image.height() == 0) {
        printErr(QStringLiteral("%1: cannot read the image (%2)").arg(path, reader.errorString()));
        return std::nullopt;
    }
    return image;
}

} // namespace mebo::cli
