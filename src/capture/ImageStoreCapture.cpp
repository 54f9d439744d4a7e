#include "capture/CaptureMode.h"
#include "capture/ImageStore.h"
#include "capture/PngEncoder.h"

#include <QImage>

namespace mebo {

std::optional<QString> ImageStore::write(const CaptureResult& result) {
    return write(result.captureDate, [&result] {
        PngEncodeOptions options;
        options.density = true; // the display's scale (CaptureScale) as the file's pixel density
        return PngEncoder::encode(result.image, options);
    });
}

} // namespace mebo
