#include "app/LargeImage.h"

#include <cstdlib>
#include <sys/mman.h>

namespace mebo {

QImage largeImage(int width, int height, QImage::Format format) {
    constexpr size_t kHuge = size_t(2) << 20;
    const qsizetype stride = qsizetype(width) * 4;
    const size_t bytes = size_t(stride) * size_t(height);
    if (width <= 0 || height <= 0 || bytes < kHuge || QImage::toPixelFormat(format).bitsPerPixel() != 32) {
        return QImage(width, height, format);
    }
    const size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
    void* memory = std::aligned_alloc(kHuge, rounded);
    if (!memory) {
        return QImage(width, height, format);
    }
#ifdef MADV_HUGEPAGE
    madvise(memory, rounded, MADV_HUGEPAGE); // advice only: ordinary pages if refused
#endif
    QImage image(
        static_cast<uchar*>(memory), width, height, stride, format, [](void* m) { std::free(m); }, memory);
    if (image.isNull()) {
        std::free(memory);
        return QImage(width, height, format);
    }
    return image;
}

} // namespace mebo
