#include "platform/x11/X11FrameStream.h"

#include "app/MainThread.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11FrameGrabber.h"
#include "platform/x11/X11MonitorLayout.h"

#include <chrono>
#include <pthread.h>

namespace mebo::platform::x11 {

X11FrameStream::X11FrameStream(std::shared_ptr<X11Connection> conn) : conn_(std::move(conn)) {}

X11FrameStream::~X11FrameStream() {
    QString error;
    stop(&error);
}

void X11FrameStream::start(uint32_t displayId, const QRect& rect, const QList<uint32_t>& excludedWindows,
                           double fps, const QString& threadName, FrameHandler onFrame, StopHandler onStopped,
                           Started started) {
    Q_UNUSED(excludedWindows);
    const X11MonitorLayout layout = X11MonitorLayout::query(*conn_, X11MonitorLayout::Names::Skip);
    const X11Monitor* monitor = layout.find(displayId);
    const QRect primary = layout.primaryRect();
    QString error;
    QRect rootRect;
    if (conn_->hasError()) {
        error = conn_->errorText();
    } else if (!monitor) {
        error = QStringLiteral("no display %1").arg(displayId);
    } else {
        // Desktop space (bottom-left origin at the primary display) to root pixels, clipped to the
        // display holding the region.
        const QRect r(primary.x() + rect.x(), primary.y() + primary.height() - rect.y() - rect.height(),
                      rect.width(), rect.height());
        rootRect = r.intersected(monitor->rootRect);
        if (rootRect.isEmpty()) {
            error = QStringLiteral("the region lies outside display %1").arg(displayId);
        }
    }
    if (!error.isEmpty()) {
        runOnMain([started = std::move(started), error] { started(false, error); });
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (thread_.joinable()) {
            runOnMain(
                [started = std::move(started)] { started(false, QStringLiteral("the stream is running")); });
            return;
        }
        stopping_ = false;
        thread_ = std::thread(&X11FrameStream::run, this, rootRect, fps, threadName, std::move(onFrame),
                              std::move(onStopped));
    }
    runOnMain([started = std::move(started)] { started(true, QString()); });
}

void X11FrameStream::run(QRect rootRect, double fps, QString threadName, FrameHandler onFrame,
                         StopHandler onStopped) {
    pthread_setname_np(pthread_self(), threadName.left(15).toUtf8().constData());
    X11FrameGrabber grabber(conn_);
    const auto interval = std::chrono::microseconds(qint64(1e6 / (fps > 0 ? fps : 30.0)));
    auto next = std::chrono::steady_clock::now();
    while (!stopping_) {
        // A fresh image per frame: the one handed over is never written again.
        QImage frame;
        QString error;
        if (!grabber.grab(rootRect, frame, &error)) {
            if (!stopping_ && onStopped) {
                onStopped(error);
            }
            return;
        }
        onFrame(std::move(frame));
        next += interval;
        const auto now = std::chrono::steady_clock::now();
        if (next < now) {
            next = now; // a slow grab does not make the stream catch up in a burst
        }
        while (!stopping_ && std::chrono::steady_clock::now() < next) {
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                next - std::chrono::steady_clock::now(), std::chrono::milliseconds(5)));
        }
    }
}

bool X11FrameStream::stop(QString* error) {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) {
        return true;
    }
    stopping_ = true;
    thread_.join();
    if (conn_->hasError() && error) {
        *error = conn_->errorText();
    }
    return true;
}

} // namespace mebo::platform::x11
