#include "platform/x11/X11ShmSegment.h"

#include "platform/x11/X11Connection.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

namespace mebo::platform::x11 {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { free(p); }
};
template <class T> using XcbPtr = std::unique_ptr<T, FreeDeleter>;

} // namespace

X11ShmSegment::X11ShmSegment(std::shared_ptr<X11Connection> conn) : conn_(std::move(conn)) {}

X11ShmSegment::~X11ShmSegment() {
    release();
}

bool X11ShmSegment::ensure(size_t bytes, QString* error) {
    if (id_ >= 0 && size_ >= bytes) {
        return true;
    }
    release();
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) {
        *error = QStringLiteral("shmget of %1 bytes failed: %2")
                     .arg(bytes)
                     .arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    void* addr = shmat(id, nullptr, 0);
    if (addr == reinterpret_cast<void*>(-1)) {
        *error = QStringLiteral("shmat failed: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        shmctl(id, IPC_RMID, nullptr);
        return false;
    }
    xcb_connection_t* c = conn_->xcb();
    const xcb_shm_seg_t seg = xcb_generate_id(c);
    XcbPtr<xcb_generic_error_t> err(
        xcb_request_check(c, xcb_shm_attach_checked(c, seg, uint32_t(id), /*read_only*/ 0)));
    // Marked for removal right away: the kernel frees it once both sides have detached, even if
    // this process dies.
    shmctl(id, IPC_RMID, nullptr);
    if (err || conn_->hasError()) {
        *error = err ? QStringLiteral("MIT-SHM attach failed: %1").arg(describeXError(err.get()))
                     : conn_->errorText();
        shmdt(addr);
        return false;
    }
    // Map every page now, in one call: touching 8 MB page by page costs thousands of faults.
    madvise(addr, bytes, MADV_POPULATE_WRITE);
    id_ = id;
    addr_ = addr;
    size_ = bytes;
    seg_ = seg;
    return true;
}

bool X11ShmSegment::getImage(const QRect& r, size_t bytes, int depth, QString* error) {
    return ensure(bytes, error) && awaitImage(requestImage(r), bytes, depth, error);
}

xcb_shm_get_image_cookie_t X11ShmSegment::requestImage(const QRect& r) {
    xcb_connection_t* c = conn_->xcb();
    const auto cookie =
        xcb_shm_get_image(c, conn_->root(), int16_t(r.x()), int16_t(r.y()), uint16_t(r.width()),
                          uint16_t(r.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, seg_, 0);
    xcb_flush(c);
    return cookie;
}

bool X11ShmSegment::awaitImage(xcb_shm_get_image_cookie_t cookie, size_t bytes, int depth, QString* error) {
    xcb_connection_t* c = conn_->xcb();
    xcb_generic_error_t* rawErr = nullptr;
    XcbPtr<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(c, cookie, &rawErr));
    XcbPtr<xcb_generic_error_t> err(rawErr);
    if (!reply) {
        *error = err ? describeXError(err.get()) : conn_->errorText();
        return false;
    }
    if (reply->depth != depth || reply->size < bytes) {
        *error = QStringLiteral("MIT-SHM returned depth %1, %2 bytes").arg(reply->depth).arg(reply->size);
        return false;
    }
    return true;
}

void X11ShmSegment::release() {
    if (id_ < 0) {
        return;
    }
    if (!conn_->hasError()) {
        xcb_connection_t* c = conn_->xcb();
        free(xcb_request_check(c, xcb_shm_detach_checked(c, seg_)));
    }
    shmdt(addr_);
    id_ = -1;
    addr_ = nullptr;
    size_ = 0;
    seg_ = 0;
}

X11ShmSegment::Taken X11ShmSegment::take() {
    const Taken taken{seg_, addr_};
    id_ = -1;
    addr_ = nullptr;
    size_ = 0;
    seg_ = 0;
    return taken;
}

void X11ShmSegment::detach(const X11Connection& conn, const Taken& taken) {
    if (!conn.hasError()) {
        xcb_connection_t* c = conn.xcb();
        xcb_shm_detach(c, taken.seg);
        xcb_flush(c);
    }
    shmdt(taken.addr);
}

} // namespace mebo::platform::x11
