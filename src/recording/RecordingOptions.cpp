#include "recording/RecordingOptions.h"

#include <cmath>

namespace mebo {

int effectiveFrameRate(int fps) {
    switch (fps) {
    case 5:
    case 10:
    case 15:
    case 24:
    case 30:
    case 60:
        return fps;
    default:
        return 15;
    }
}

int64_t recordingBitrate(QSize output, int fps, QualityPreset preset) {
    const int64_t pixels = int64_t(output.width()) * output.height();
    const double base = pixels < 3'700'000 ? 18'000'000.0 : pixels < 8'300'000 ? 28'000'000.0 : 45'000'000.0;
    const double factor = std::max(effectiveFrameRate(fps) / 60.0 * 1.7, 0.4);
    return int64_t(factor * base * qualityPresetMultiplier(preset));
}

QSize recordingOutputSize(QSizeF points, double scale) {
    const auto even = [](double v) {
        const int64_t t = int64_t(std::trunc(v));
        return int(std::max<int64_t>(0, t - (t % 2)));
    };
    return {even(points.width() * scale), even(points.height() * scale)};
}

} // namespace mebo
