#pragma once

#include <QRect>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <xcb/shm.h>

namespace mebo::platform::x11 {

class X11Connection;

// One MIT-SHM segment attached to the server, into which it writes ZPixmap images of the root
// window. Grown on demand; detached when released or destroyed, unless handed away with take().
// Not thread-safe.
class X11ShmSegment {
public:
    explicit X11ShmSegment(std::shared_ptr<X11Connection> conn);
    ~X11ShmSegment();
    X11ShmSegment(const X11ShmSegment&) = delete;
    X11ShmSegment& operator=(const X11ShmSegment&) = delete;

    // Makes sure a segment of at least `bytes` is attached. False with `error` set when the
    // kernel or the server refuses (remote server, other IPC namespace).
    bool ensure(size_t bytes, QString* error);
    // Reads `rootRect` into the segment (attaching one of `bytes` first); the reply must have
    // `depth` and at least `bytes`.
    bool getImage(const QRect& rootRect, size_t bytes, int depth, QString* error);
    // The same in two steps, so that the caller can work while the server copies: the request
    // (into a segment already attached, large enough) and the wait for its answer.
    xcb_shm_get_image_cookie_t requestImage(const QRect& rootRect);
    bool awaitImage(xcb_shm_get_image_cookie_t cookie, size_t bytes, int depth, QString* error);
    void release();

    uint8_t* data() const { return static_cast<uint8_t*>(addr_); }
    bool attached() const { return id_ >= 0; }

    // Hands the attached segment to the caller, who must detach it (see detach()).
    struct Taken {
        xcb_shm_seg_t seg = 0;
        void* addr = nullptr;
    };
    Taken take();
    static void detach(const X11Connection& conn, const Taken& taken);

private:
    std::shared_ptr<X11Connection> conn_;
    int id_ = -1;
    void* addr_ = nullptr;
    size_t size_ = 0;
    xcb_shm_seg_t seg_ = 0;
};

} // namespace mebo::platform::x11
