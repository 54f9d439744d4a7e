#include "capture/CaptureScale.h"

#include <QImage>

namespace mebo::CaptureScale {

void tag(QImage& image, int scale) {
    const int dpm = dotsPerMetre(scale < 1 ? 1 : scale);
    if (image.dotsPerMeterX() != dpm) {
        image.setDotsPerMeterX(dpm);
    }
    if (image.dotsPerMeterY() != dpm) {
        image.setDotsPerMeterY(dpm);
    }
}

int of(const QImage& image) {
    const long s = std::lround(image.dotsPerMeterX() * 0.0254 / 96.0);
    return s < 1 ? 1 : int(s);
}

} // namespace mebo::CaptureScale
