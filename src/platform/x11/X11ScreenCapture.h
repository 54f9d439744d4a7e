#pragma once

#include "platform/ScreenCapture.h"
#include "platform/x11/X11SerialWorker.h"
#include "platform/x11/X11WindowList.h"

#include <memory>
#include <mutex>

namespace mebo::platform::x11 {

class X11Connection;
class X11FrameGrabber;

// Screen capture on X11: RandR monitors, EWMH windows, root-window grabs. Listing and grabbing
// run on one private worker thread ("mebo.x11-grab"), so grabs are serial and share one
// MIT-SHM segment; results go back through runOnMain.
class X11ScreenCapture : public ScreenCapture {
public:
    explicit X11ScreenCapture(std::shared_ptr<X11Connection> conn);
    // Finishes the queued requests; their completions are still delivered on the main thread.
    ~X11ScreenCapture() override;

    QList<DisplayInfo> displays() override;
    void shareableContent(const ContentQuery& query, Completion<ShareableContent> done) override;
    void captureDisplay(uint32_t displayId, QSize pixelSize, bool showCursor,
                        Completion<QImage> done) override;

    // Grabs synchronously on the calling thread (the worker uses it; so may tests).
    Result<QImage> grabDisplay(uint32_t displayId, QSize pixelSize, bool showCursor = false);
    Result<ShareableContent> readContent(const ContentQuery& query);

private:
    std::shared_ptr<X11Connection> conn_;
    X11WindowList windows_;
    std::mutex grabberMutex_; // guards grabber_ (the worker is serial, but grabDisplay is public)
    std::unique_ptr<X11FrameGrabber> grabber_;
    X11SerialWorker worker_; // last: its jobs use the members above until it is joined
};

} // namespace mebo::platform::x11
