#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace mebo {

// The PNG encoder used for captures: lossless, tuned for screen content (see docs/performance.md
// for how it was chosen). Thread-safe; may use a second thread for large images.
class PngWriter {
public:
    // Encodes `image` (any format; opaque images are written as RGB, others as RGBA).
    static QByteArray encode(const QImage& image);
    // Writes to a temporary sibling and renames it into place, so `path` is either absent or
    // complete. On failure answers false with the reason in `error`.
    static bool writeFile(const QImage& image, const QString& path, QString* error);
};

} // namespace mebo
