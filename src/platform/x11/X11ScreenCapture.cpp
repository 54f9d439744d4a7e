#include "platform/x11/X11ScreenCapture.h"

#include "app/MainThread.h"
#include "capture/CaptureScale.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11CursorImage.h"
#include "platform/x11/X11FrameGrabber.h"
#include "platform/x11/X11MonitorLayout.h"

#include <cstdlib>

namespace mebo::platform::x11 {

X11ScreenCapture::X11ScreenCapture(std::shared_ptr<X11Connection> conn)
    : conn_(std::move(conn)), windows_(conn_), grabber_(std::make_unique<X11FrameGrabber>(conn_)),
      worker_(QStringLiteral("mebo.x11-grab")) {}

// The worker, declared last, is destroyed first: it runs the queued jobs and joins its thread
// while the members they use still exist.
X11ScreenCapture::~X11ScreenCapture() = default;

QList<DisplayInfo> X11ScreenCapture::displays() {
    return X11MonitorLayout::query(*conn_).displays();
}

Result<ShareableContent> X11ScreenCapture::readContent(const ContentQuery& query) {
    using R = Result<ShareableContent>;
    if (conn_->hasError()) {
        return R::fail(conn_->errorText());
    }
    // Reading one root pixel is what any capture needs; if the server refuses it (a security
    // policy, a broken connection) no capture will work.
    xcb_connection_t* c = conn_->xcb();
    xcb_generic_error_t* err = nullptr;
    xcb_get_image_reply_t* probe = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, conn_->root(), 0, 0, 1, 1, ~0u), &err);
    const bool readable = probe != nullptr;
    const QString why = readable ? QString() : (err ? describeXError(err) : conn_->errorText());
    free(probe);
    free(err);
    if (!readable) {
        return R::fail(
            QStringLiteral("cannot read the screen of X display '%1': %2").arg(conn_->displayName(), why));
    }
    const X11MonitorLayout layout = X11MonitorLayout::query(*conn_);
    ShareableContent content;
    content.displays = layout.displays();
    if (query.includeWindows) {
        content.windows = X11WindowList::filtered(windows_.list(layout), query.onScreenWindowsOnly,
                                                  query.excludeDesktopWindows);
    }
    if (conn_->hasError()) {
        return R::fail(conn_->errorText());
    }
    return R::ok(std::move(content));
}

void X11ScreenCapture::shareableContent(const ContentQuery& query, Completion<ShareableContent> done) {
    worker_.post([this, query, done = std::move(done)] {
        Result<ShareableContent> r = readContent(query);
        runOnMain([done, r = std::move(r)] { done(r); });
    });
}

Result<QImage> X11ScreenCapture::grabDisplay(uint32_t displayId, QSize pixelSize, bool showCursor) {
    if (conn_->hasError()) {
        return Result<QImage>::fail(conn_->errorText());
    }
    const X11MonitorLayout layout = X11MonitorLayout::query(*conn_, X11MonitorLayout::Names::Skip);
    const X11Monitor* monitor = layout.find(displayId);
    if (!monitor) {
        return Result<QImage>::fail(QStringLiteral("no display %1").arg(displayId));
    }
    QImage image;
    QString error;
    {
        std::lock_guard lock(grabberMutex_);
        image = grabber_->grabDetached(monitor->rootRect, &error);
        if (image.isNull()) {
            return Result<QImage>::fail(
                QStringLiteral("grab of display %1 failed: %2").arg(displayId).arg(error));
        }
    }
    if (showCursor) {
        // Root grabs never contain the pointer; XFixes supplies its image.
        if (const auto cursor = X11CursorImage::read(*conn_)) {
            cursor->drawOnto(image, monitor->rootRect.topLeft());
        }
    }
    // The caller asks for whole points times the scale: a monitor whose pixels do not divide by
    // its scale loses its last partial point, cut off rather than resampled.
    const int s = monitor->scale;
    const QSize whole(image.width() / s * s, image.height() / s * s);
    if (pixelSize == whole && whole != image.size()) {
        image = image.copy(QRect(QPoint(0, 0), whole));
    }
    // Any other size is a caller's request to scale.
    if (pixelSize.isValid() && !pixelSize.isEmpty() && pixelSize != image.size()) {
        image = image.scaled(pixelSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_RGB32);
    }
    // The monitor's scale as the image's density, set while nothing else shares the image: on a
    // shared image Qt copies the pixels to change it.
    CaptureScale::tag(image, s);
    return Result<QImage>::ok(std::move(image));
}

void X11ScreenCapture::captureDisplay(uint32_t displayId, QSize pixelSize, bool showCursor,
                                      Completion<QImage> done) {
    worker_.post([this, displayId, pixelSize, showCursor, done = std::move(done)] {
        Result<QImage> r = grabDisplay(displayId, pixelSize, showCursor);
        runOnMain([done, r = std::move(r)] { done(r); });
    });
}

} // namespace mebo::platform::x11
