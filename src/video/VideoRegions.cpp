#include "video/VideoRegions.h"

namespace mebo {

std::array<double, 4> rgbaComponents(const ColorRGBA& stored, const std::array<double, 4>& defaults) {
    std::array<double, 4> out = defaults;
    for (qsizetype i = 0; i < stored.size() && i < 4; ++i) {
        out[size_t(i)] = stored[i];
    }
    return out;
}

} // namespace mebo
