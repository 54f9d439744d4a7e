#pragma once

#include "platform/Result.h"
#include "platform/x11/X11PixelFormat.h"
#include "platform/x11/X11ShmSegment.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <cstddef>
#include <memory>
#include <optional>
#include <xcb/shm.h>

namespace mebo::platform::x11 {

class X11Connection;

// Synchronous grabs of root-window rectangles. MIT-SHM first: the server writes into a shared
// segment that is kept and reused across grabs (grown when a larger rectangle comes); when the
// extension is missing or attaching fails (remote server, other IPC namespace) or
// MEBO_X11_NO_SHM=1, GetImage in bands that fit the maximum request length.
// Not thread-safe: one thread at a time (the capture worker, or a recorder's poll thread with
// its own grabber). The connection may be shared with other threads.
class X11FrameGrabber {
public:
    explicit X11FrameGrabber(std::shared_ptr<X11Connection> conn);
    ~X11FrameGrabber();

    X11FrameGrabber(const X11FrameGrabber&) = delete;
    X11FrameGrabber& operator=(const X11FrameGrabber&) = delete;

    // Grabs `rootRect` (root pixels, inside the root window) into `into`, which is reused when it
    // is already an unshared RGB32 image of that size; otherwise it is replaced. The result is
    // opaque (alpha 0xff) and owns its pixels. False with `error` set on failure.
    bool grab(const QRect& rootRect, QImage& into, QString* error);
    // Grabs again only rows [fromRow, toRow) of `into`, an earlier grab of `rootRect`: a recorder
    // refreshes the rows the screen's damage touched and keeps the rest.
    bool grabRows(const QRect& rootRect, int fromRow, int toRow, QImage& into, QString* error);
    // A one-off grab of `rootRect` that hands the shared segment itself to the answer (no second
    // frame, no copy): the image detaches the segment when its last copy goes, and the grabber
    // attaches a new one next time. Only where the server's rows are already RGB32 and MIT-SHM
    // works; otherwise the same as grab() into a fresh image.
    QImage grabDetached(const QRect& rootRect, QString* error);
    // An RGB32 frame of `size` whose memory is mapped in bulk (huge pages where the kernel allows).
    static QImage allocateFrame(QSize size);

    // Whether the last successful grab went through MIT-SHM.
    bool lastGrabUsedShm() const { return lastUsedShm_; }
    // Whether MIT-SHM is still on the table (present, not disabled, not failed).
    bool shmAvailable() const { return shmWanted_ && !shmBroken_; }
    // Caps the bytes of one GetImage band below what the server allows; 0 restores the limit.
    // Lets tests run the banded path with many bands on a small screen.
    void setMaxBandBytes(size_t bytes) { bandBytesCap_ = bytes; }

private:
    bool prepareFormat(QString* error);
    bool grabInto(const QRect& r, QImage& into, int intoRow, QString* error);
    bool grabShm(const QRect& r, QImage& into, int intoRow, QString* error);
    bool shmGetImage(const QRect& r, size_t bytes, QString* error);
    bool grabBands(const QRect& r, QImage& into, int intoRow, QString* error);

    std::shared_ptr<X11Connection> conn_;
    std::optional<X11PixelFormat> format_;
    bool shmWanted_ = false;
    bool shmBroken_ = false;
    bool lastUsedShm_ = false;
    size_t bandBytesCap_ = 0;

    X11ShmSegment shm_;
};

} // namespace mebo::platform::x11
