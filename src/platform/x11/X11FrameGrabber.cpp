#include "platform/x11/X11FrameGrabber.h"

#include "platform/x11/X11Connection.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mebo::platform::x11 {

namespace {

// GetImage request header and reply header are both 32 bytes at most.
constexpr size_t requestOverheadBytes = 32;

struct FreeDeleter {
    void operator()(void* p) const { free(p); }
};
template <class T> using XcbPtr = std::unique_ptr<T, FreeDeleter>;

} // namespace

X11FrameGrabber::X11FrameGrabber(std::shared_ptr<X11Connection> conn) : conn_(std::move(conn)), shm_(conn_) {
    shmWanted_ = conn_->hasShm() && qEnvironmentVariable("MEBO_X11_NO_SHM") != QLatin1String("1");
}

X11FrameGrabber::~X11FrameGrabber() = default;

bool X11FrameGrabber::prepareFormat(QString* error) {
    if (format_) {
        return true;
    }
    Result<X11PixelFormat> f = X11PixelFormat::forRoot(*conn_);
    if (!f) {
        *error = f.error();
        return false;
    }
    format_ = f.value();
    return true;
}

namespace {

void releaseFrame(void* info) {
    auto* mapping = static_cast<std::pair<void*, size_t>*>(info);
    munmap(mapping->first, mapping->second);
    delete mapping;
}

} // namespace

QImage X11FrameGrabber::allocateFrame(QSize size) {
    // Frames are large and written once: back them with huge pages and populate them in bulk,
    // which is many times cheaper than faulting in 4 KiB pages one by one.
    const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(size.height());
    constexpr size_t huge = size_t(2) << 20;
    if (bytes < huge) {
        return QImage(size, QImage::Format_RGB32);
    }
    const size_t mapped = (bytes + huge - 1) / huge * huge;
    void* addr = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (addr == MAP_FAILED) {
        return QImage(size, QImage::Format_RGB32);
    }
    madvise(addr, mapped, MADV_HUGEPAGE);
    madvise(addr, mapped, MADV_POPULATE_WRITE);
    return QImage(static_cast<uchar*>(addr), size.width(), size.height(), bytesPerLine, QImage::Format_RGB32,
                  &releaseFrame, new std::pair<void*, size_t>(addr, mapped));
}

bool X11FrameGrabber::grab(const QRect& r, QImage& into, QString* error) {
    QString ignored;
    if (!error) {
        error = &ignored;
    }
    if (conn_->hasError()) {
        *error = conn_->errorText();
        return false;
    }
    if (r.isEmpty() || r.x() < -32768 || r.y() < -32768 || r.width() > 65535 || r.height() > 65535) {
        *error = QStringLiteral("invalid grab rectangle %1,%2 %3x%4")
                     .arg(r.x())
                     .arg(r.y())
                     .arg(r.width())
                     .arg(r.height());
        return false;
    }
    if (!prepareFormat(error)) {
        return false;
    }
    if (into.size() != r.size() || into.format() != QImage::Format_RGB32) {
        into = allocateFrame(r.size());
        if (into.isNull()) {
            *error = QStringLiteral("out of memory for a %1x%2 image").arg(r.width()).arg(r.height());
            return false;
        }
    }
    return grabInto(r, into, 0, error);
}

bool X11FrameGrabber::grabRows(const QRect& rootRect, int fromRow, int toRow, QImage& into, QString* error) {
    QString ignored;
    if (!error) {
        error = &ignored;
    }
    fromRow = std::max(fromRow, 0);
    toRow = std::min(toRow, rootRect.height());
    if (into.size() != rootRect.size() || into.format() != QImage::Format_RGB32 || !format_) {
        return grab(rootRect, into, error);
    }
    if (fromRow >= toRow) {
        return true;
    }
    if (conn_->hasError()) {
        *error = conn_->errorText();
        return false;
    }
    const QRect rows(rootRect.x(), rootRect.y() + fromRow, rootRect.width(), toRow - fromRow);
    return grabInto(rows, into, fromRow, error);
}

bool X11FrameGrabber::grabInto(const QRect& r, QImage& into, int intoRow, QString* error) {
    if (shmAvailable()) {
        QString shmError;
        if (grabShm(r, into, intoRow, &shmError)) {
            lastUsedShm_ = true;
            return true;
        }
        // Whatever went wrong (a segment the server cannot attach, an X error), GetImage either
        // succeeds or reports the same protocol error in its own words.
    }
    if (grabBands(r, into, intoRow, error)) {
        lastUsedShm_ = false;
        return true;
    }
    return false;
}

bool X11FrameGrabber::shmGetImage(const QRect& r, size_t bytes, QString* error) {
    if (!shm_.ensure(bytes, error)) {
        shmBroken_ = true; // attaching fails the same way next time; stay on GetImage
        return false;
    }
    return shm_.getImage(r, bytes, format_->depth(), error);
}

bool X11FrameGrabber::grabShm(const QRect& r, QImage& into, int intoRow, QString* error) {
    const int stride = format_->stride(r.width());
    if (!shmGetImage(r, size_t(stride) * size_t(r.height()), error)) {
        return false;
    }
    format_->convertRows(shm_.data(), stride, r.width(), r.height(), into, intoRow);
    return true;
}

namespace {

// Sets the alpha byte of `n` BGRX pixels, four at a time (SSE2 is in every x86-64).
void forceOpaque(uint32_t* p, int n) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i alpha = _mm_set1_epi32(int(0xff000000u));
    for (; i + 16 <= n; i += 16) {
        auto* v = reinterpret_cast<__m128i*>(p + i);
        _mm_storeu_si128(v, _mm_or_si128(_mm_loadu_si128(v), alpha));
        _mm_storeu_si128(v + 1, _mm_or_si128(_mm_loadu_si128(v + 1), alpha));
        _mm_storeu_si128(v + 2, _mm_or_si128(_mm_loadu_si128(v + 2), alpha));
        _mm_storeu_si128(v + 3, _mm_or_si128(_mm_loadu_si128(v + 3), alpha));
    }
#endif
    for (; i < n; ++i) {
        p[i] |= 0xff000000u;
    }
}

// What a detached segment's image needs to let the segment go, on whichever thread drops it last.
struct DetachedSegment {
    std::shared_ptr<X11Connection> conn;
    X11ShmSegment::Taken segment;
};

void releaseSegmentImage(void* info) {
    auto* d = static_cast<DetachedSegment*>(info);
    X11ShmSegment::detach(*d->conn, d->segment);
    delete d;
}

} // namespace

QImage X11FrameGrabber::grabDetached(const QRect& r, QString* error) {
    QString ignored;
    if (!error) {
        error = &ignored;
    }
    QImage image;
    if (r.isEmpty() || conn_->hasError() || !prepareFormat(error)) {
        return grab(r, image, error) ? image : QImage();
    }
    const int stride = format_->stride(r.width());
    QString shmError;
    if (!format_->isDirectCopy() || !shmAvailable() ||
        !shmGetImage(r, size_t(stride) * size_t(r.height()), &shmError)) {
        return grab(r, image, error) ? image : QImage();
    }
    // The server leaves the pad byte as it likes; RGB32 wants it 0xff.
    auto* pixels = shm_.data();
    for (int y = 0; y < r.height(); ++y) {
        forceOpaque(reinterpret_cast<uint32_t*>(pixels + size_t(y) * size_t(stride)), r.width());
    }
    // The segment now belongs to the image.
    image = QImage(pixels, r.width(), r.height(), stride, QImage::Format_RGB32, &releaseSegmentImage,
                   new DetachedSegment{conn_, shm_.take()});
    lastUsedShm_ = true;
    return image;
}

bool X11FrameGrabber::grabBands(const QRect& r, QImage& into, int intoRow, QString* error) {
    xcb_connection_t* c = conn_->xcb();
    const int stride = format_->stride(r.width());
    size_t maxBytes = size_t(xcb_get_maximum_request_length(c)) * 4;
    if (bandBytesCap_ > 0) {
        maxBytes = std::min(maxBytes, bandBytesCap_);
    }
    const int rowsPerBand = std::max(
        1, int(std::min<size_t>((maxBytes > requestOverheadBytes ? maxBytes - requestOverheadBytes : 0) /
                                    size_t(stride),
                                size_t(r.height()))));

    auto request = [&](int y0) {
        const int rows = std::min(rowsPerBand, r.height() - y0);
        return xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, conn_->root(), int16_t(r.x()), int16_t(r.y() + y0),
                             uint16_t(r.width()), uint16_t(rows), ~0u);
    };
    // Two bands in flight: the next request travels while the current reply is converted.
    xcb_get_image_cookie_t pending = request(0);
    for (int y0 = 0; y0 < r.height(); y0 += rowsPerBand) {
        const int rows = std::min(rowsPerBand, r.height() - y0);
        const int nextY = y0 + rowsPerBand;
        xcb_get_image_cookie_t next{};
        if (nextY < r.height()) {
            next = request(nextY);
        }
        xcb_generic_error_t* rawErr = nullptr;
        XcbPtr<xcb_get_image_reply_t> reply(xcb_get_image_reply(c, pending, &rawErr));
        XcbPtr<xcb_generic_error_t> err(rawErr);
        bool ok = reply != nullptr;
        if (!reply) {
            *error = err ? describeXError(err.get()) : conn_->errorText();
        } else if (reply->depth != format_->depth() ||
                   size_t(xcb_get_image_data_length(reply.get())) < size_t(stride) * size_t(rows)) {
            *error = QStringLiteral("GetImage returned depth %1, %2 bytes")
                         .arg(reply->depth)
                         .arg(xcb_get_image_data_length(reply.get()));
            ok = false;
        }
        if (!ok) {
            if (nextY < r.height()) {
                xcb_discard_reply(c, next.sequence);
            }
            return false;
        }
        format_->convertRows(xcb_get_image_data(reply.get()), stride, r.width(), rows, into, intoRow + y0);
        pending = next;
    }
    return true;
}

// The QImage form of the conversion, beside the grabs that use it (the pixel format itself needs
// no Qt Gui).
void X11PixelFormat::convertRows(const uint8_t* src, int srcStride, int width, int rows, QImage& dst,
                                 int dstY) const {
    convertRows(src, srcStride, width, rows, reinterpret_cast<uint32_t*>(dst.scanLine(dstY)),
                size_t(dst.bytesPerLine()));
}

} // namespace mebo::platform::x11
