#pragma once

#include <QImage>

namespace mebo {

// An image of `width` x `height` whose memory the kernel may back with 2 MiB pages. A buffer of
// tens of megabytes written once costs one page fault per 4 KiB page otherwise, which on a
// virtual machine (about 10 us each) can take longer than filling it. Images under 2 MiB, and a
// kernel that refuses the advice, get ordinary memory.
QImage largeImage(int width, int height, QImage::Format format);

} // namespace mebo
