#pragma once

#include <QImage>
#include <QString>

namespace mebo {

// A capture's file: PngWriter's encoding and atomic write, plus the image's pixel density (the
// display's scale, see CaptureScale) in a pHYs chunk.
namespace CapturePng {
bool writeFile(const QImage& image, const QString& path, QString* error);
}

} // namespace mebo
