#include "platform/x11/X11FrameSource.h"

#include "platform/MonotonicClock.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11CursorImage.h"
#include "platform/x11/X11FrameGrabber.h"

#include <QHashFunctions>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/damage.h>

namespace mebo::platform::x11 {

namespace {

class X11FrameStream : public ScreenFrameStream {
public:
    X11FrameStream(std::shared_ptr<X11Connection> conn, const ScreenStreamConfig& config,
                   std::function<void(ScreenFrame&)> onFrame, std::function<void(const QString&)> onError)
        : conn_(std::move(conn)), config_(config), onFrame_(std::move(onFrame)), onError_(std::move(onError)),
          grabber_(conn_) {
        wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    }
    ~X11FrameStream() override {
        stop(0);
        if (wakeFd_ >= 0) {
            ::close(wakeFd_);
        }
    }

    bool begin(QString* error) {
        xcb_connection_t* c = conn_->xcb();
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_damage_id);
        if (ext && ext->present) {
            auto* v = xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr);
            if (v) {
                free(v);
                damageEvent_ = ext->first_event + XCB_DAMAGE_NOTIFY;
                damage_ = xcb_generate_id(c);
                xcb_damage_create(c, damage_, conn_->root(), XCB_DAMAGE_REPORT_LEVEL_BOUNDING_BOX);
                xcb_flush(c);
            }
        }
        if (config_.showCursor && conn_->hasXFixes()) {
            xcb_xfixes_select_cursor_input(c, conn_->root(), XCB_XFIXES_CURSOR_NOTIFY_MASK_DISPLAY_CURSOR);
        }
        // One grab here, so a stream that cannot read the screen fails to start.
        if (!grabber_.grab(config_.sourceRect, raw_, error)) {
            return false;
        }
        damageBox_ = config_.sourceRect; // the first frame: everything is new
        thread_ = std::thread([this] { run(); });
        return true;
    }

    void stop(int64_t finalNs) override {
        if (!thread_.joinable()) {
            return;
        }
        finalFrameNs_ = finalNs;
        stopping_ = true;
        const uint64_t one = 1;
        [[maybe_unused]] const auto n = ::write(wakeFd_, &one, sizeof one);
        thread_.join();
    }

private:
    bool damaged_ = true;      // the first frame is always taken
    int64_t damageSeenAt_ = 0; // first damage since the last grab (0: none)
    int64_t lastDamageAt_ = 0;
    QRect damageBox_; // root pixels damaged since the last grab, within the rectangle
    bool pointerMoved_ = false;
    int64_t lastPointerLook_ = 0;
    std::vector<size_t> rowHash_; // per row of the last grab
    bool cursorChanged_ = false;
    bool grabbedOnce_ = false; // raw_ holds a whole grab of the rectangle
    QRect cursorRows_;         // where the pointer and the receiver drew into raw_ (to be grabbed again)

    // A client may draw one picture in several requests (bands of a software renderer): after the
    // first damage, wait until none came for a moment (at most a few milliseconds) so the grab
    // holds the whole picture. Answers true while waiting.
    bool settleUntil(int64_t now) {
        constexpr int64_t quietNs = 2'000'000;
        constexpr int64_t maxWaitNs = 8'000'000;
        if (damageSeenAt_ == 0) {
            return false;
        }
        if (now - lastDamageAt_ >= quietNs || now - damageSeenAt_ >= maxWaitNs) {
            return false;
        }
        pollfd fd{xcb_get_file_descriptor(conn_->xcb()), POLLIN, 0};
        xcb_flush(conn_->xcb());
        ::poll(&fd, 1, 1);
        return true;
    }

    void drainEvents() {
        xcb_connection_t* c = conn_->xcb();
        while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) {
            const uint8_t type = ev->response_type & 0x7f;
            if (damage_ && type == damageEvent_) {
                const auto* d = reinterpret_cast<xcb_damage_notify_event_t*>(ev);
                const QRect area(d->area.x, d->area.y, d->area.width, d->area.height);
                // The bounding box of the damage so far; only changes over the recorded
                // rectangle make a frame.
                if (area.intersects(config_.sourceRect)) {
                    damageBox_ = damageBox_.united(area.intersected(config_.sourceRect));
                    const int64_t now = monotonicNowNs();
                    if (!damaged_ || damageSeenAt_ == 0) {
                        damageSeenAt_ = now;
                    }
                    lastDamageAt_ = now;
                    damaged_ = true;
                }
            } else if (conn_->hasXFixes() && type == xfixesCursorEvent()) {
                cursorChanged_ = true;
            }
            free(ev);
        }
    }

    uint8_t xfixesCursorEvent() const {
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(conn_->xcb(), &xcb_xfixes_id);
        return ext && ext->present ? uint8_t(ext->first_event + XCB_XFIXES_CURSOR_NOTIFY) : 0;
    }

    std::optional<QPoint> pointer() {
        xcb_connection_t* c = conn_->xcb();
        auto* r = xcb_query_pointer_reply(c, xcb_query_pointer(c, conn_->root()), nullptr);
        if (!r) {
            return std::nullopt;
        }
        const QPoint p(r->root_x, r->root_y);
        free(r);
        return p;
    }

    void run() {
        pthread_setname_np(pthread_self(), "rec.video");
        const int64_t interval = 1'000'000'000LL / std::max(config_.fps, 1);
        // Tokens accrue at the frame rate, up to four frames' worth; a grab takes one. A video
        // playing at the recording's rate is taken frame for frame even when the player shows a
        // few frames in a burst after a stall, while the average stays at the frame rate.
        constexpr double burst = 4;
        const int64_t minSpacing = interval / 8;
        double tokens = 1;
        int64_t lastTokenAt = monotonicNowNs();
        int64_t lastGrab = 0;
        std::optional<QPoint> lastPointer;
        pollfd fds[2] = {{xcb_get_file_descriptor(conn_->xcb()), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const bool polling = damage_ == 0;
        while (!stopping_.load()) {
            drainEvents();
            if (xcb_connection_has_error(conn_->xcb())) {
                onError_(QStringLiteral("connection to the X display lost"));
                return;
            }
            const int64_t now = monotonicNowNs();
            tokens = std::min(burst, tokens + double(now - lastTokenAt) / double(interval));
            lastTokenAt = now;
            bool moved = false;
            if (config_.showCursor && now - lastPointerLook_ >= interval) {
                // The pointer is not part of the screen's damage: look where it is.
                lastPointerLook_ = now;
                const auto p = pointer();
                if (p != lastPointer) {
                    const QRect near = config_.sourceRect.adjusted(-64, -64, 64, 64);
                    moved = (p && near.contains(*p)) || (lastPointer && near.contains(*lastPointer));
                    lastPointer = p;
                }
            }
            pointerMoved_ = pointerMoved_ || moved;
            const bool idleDue = now - lastGrab >= config_.idleRepeatNs;
            const bool want = polling || damaged_ || pointerMoved_ || cursorChanged_ || idleDue;
            const bool allowed = tokens >= 1.0 && now - lastGrab >= minSpacing;
            if (want && allowed && damaged_ && settleUntil(now)) {
                continue; // the picture is still being drawn
            }
            if (want && allowed) {
                // The picture is as of its last drawing, not of this later grab.
                const int64_t stamp = damaged_ && lastDamageAt_ > lastGrab ? lastDamageAt_ : now;
                const bool force = polling || pointerMoved_ || cursorChanged_ || idleDue;
                const Grab g = capture(stamp, force, false);
                if (g == Grab::failed) {
                    return;
                }
                if (g == Grab::delivered) {
                    tokens -= 1.0;
                    lastGrab = now;
                }
                continue;
            }
            // Sleep until an event, the stop, the next token, or the next pointer look.
            int64_t waitNs = interval;
            if (want) {
                waitNs = std::max<int64_t>(int64_t((1.0 - tokens) * double(interval)),
                                           minSpacing - (now - lastGrab));
            } else {
                waitNs = std::min<int64_t>(waitNs, config_.idleRepeatNs - (now - lastGrab));
            }
            const int waitMs = int(std::clamp<int64_t>((waitNs + 999'999) / 1'000'000, 1, 1000));
            xcb_flush(conn_->xcb());
            ::poll(fds, 2, waitMs);
        }
        // One last frame at the moment of the stop, so the recording lasts until then.
        if (finalFrameNs_.load() > 0) {
            capture(finalFrameNs_.load(), true, true);
        }
    }

    enum class Grab { delivered, unchanged, failed };

    // Hashes the rows of the grab that damage touched; answers whether any differs from the
    // previous grab (a client that draws the same picture again makes damage but no new frame).
    bool rowsChanged(const QImage& image, int fromRow, int toRow) {
        if (rowHash_.size() != size_t(image.height())) {
            rowHash_.assign(size_t(image.height()), 0);
            fromRow = 0;
            toRow = image.height();
        }
        bool changed = false;
        const size_t bytes = size_t(image.width()) * 4;
        for (int y = std::max(0, fromRow); y < std::min(toRow, image.height()); ++y) {
            const size_t h = qHashBits(image.constScanLine(y), bytes);
            changed = changed || h != rowHash_[size_t(y)];
            rowHash_[size_t(y)] = h;
        }
        return changed;
    }

    // `force`: a frame even when the pixels did not change (pointer, idle repeat, the end).
    Grab capture(int64_t pts, bool force, bool last) {
        if (damage_) {
            // Damage after this point belongs to the next frame.
            xcb_damage_subtract(conn_->xcb(), damage_, XCB_NONE, XCB_NONE);
        }
        const QRect box = damageBox_.translated(-config_.sourceRect.topLeft());
        const bool wasDamaged = damaged_;
        damaged_ = false;
        damageSeenAt_ = 0;
        damageBox_ = QRect();
        const bool wasForced = force || cursorChanged_ || pointerMoved_;
        cursorChanged_ = false;
        pointerMoved_ = false;
        QString error;
        // With damage to go by, only the damaged rows and those the pointer was drawn over last
        // time are read again; the rest of the last grab is still what the screen shows.
        bool grabbed = false;
        if (damage_ && grabbedOnce_) {
            int from = wasDamaged && !box.isEmpty() ? box.top() : raw_.height();
            int to = wasDamaged && !box.isEmpty() ? box.bottom() + 1 : 0;
            if (!cursorRows_.isEmpty()) {
                from = std::min(from, cursorRows_.top());
                to = std::max(to, cursorRows_.bottom() + 1);
            }
            grabbed = grabber_.grabRows(config_.sourceRect, from, to, raw_, &error);
        } else {
            grabbed = grabber_.grab(config_.sourceRect, raw_, &error);
        }
        if (!grabbed) {
            onError_(error);
            return Grab::failed;
        }
        grabbedOnce_ = true;
        cursorRows_ = QRect();
        const bool changed = wasDamaged && rowsChanged(raw_, box.top(), box.bottom() + 1);
        if (!changed && !wasForced) {
            return Grab::unchanged;
        }
        const bool repeated = !changed;
        QImage* frame = &raw_;
        if (config_.outputSize != raw_.size()) {
            scaled_ = raw_.scaled(config_.outputSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                          .convertToFormat(QImage::Format_RGB32);
            frame = &scaled_;
        }
        if (config_.showCursor) {
            if (auto cursor = X11CursorImage::read(*conn_)) {
                if (frame == &raw_) {
                    cursor->drawOnto(raw_, config_.sourceRect.topLeft());
                    cursorRows_ =
                        QRect(cursor->topLeft() - config_.sourceRect.topLeft(), cursor->image().size())
                            .intersected(raw_.rect());
                } else {
                    // Scale the pointer's position with the picture.
                    const double sx = double(config_.outputSize.width()) / config_.sourceRect.width();
                    const double sy = double(config_.outputSize.height()) / config_.sourceRect.height();
                    const QPoint at = cursor->topLeft() - config_.sourceRect.topLeft();
                    QPainter p(frame);
                    p.drawImage(QPointF(at.x() * sx, at.y() * sy), cursor->image());
                }
            }
        }
        ScreenFrame f;
        f.image = frame;
        f.ptsNs = pts;
        f.durationNs = 0;
        f.frameStatus = 0;
        f.repeated = repeated;
        f.last = last;
        onFrame_(f);
        if (frame == &raw_) {
            cursorRows_ |= f.drawnOver;
        }
        return Grab::delivered;
    }

    std::shared_ptr<X11Connection> conn_;
    ScreenStreamConfig config_;
    std::function<void(ScreenFrame&)> onFrame_;
    std::function<void(const QString&)> onError_;
    X11FrameGrabber grabber_;
    QImage raw_;
    QImage scaled_;
    uint32_t damage_ = 0;
    uint8_t damageEvent_ = 0;
    int wakeFd_ = -1;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<int64_t> finalFrameNs_{0};
};

} // namespace

X11FrameSource::X11FrameSource(QString displayName) : displayName_(std::move(displayName)) {}

std::unique_ptr<ScreenFrameStream> X11FrameSource::start(const ScreenStreamConfig& config,
                                                         std::function<void(ScreenFrame&)> onFrame,
                                                         std::function<void(const QString&)> onError,
                                                         QString* error) {
    auto conn = X11Connection::open(displayName_);
    if (!conn) {
        *error = conn.error();
        return nullptr;
    }
    const xcb_screen_t* screen = conn.value()->screen();
    ScreenStreamConfig c = config;
    // The rectangle must lie on the root window; a window partly off screen records the part of
    // the screen beside it.
    const QRect root(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    QRect r = c.sourceRect;
    r.setWidth(std::min(r.width(), root.width()));
    r.setHeight(std::min(r.height(), root.height()));
    r.moveLeft(std::clamp(r.left(), 0, root.width() - r.width()));
    r.moveTop(std::clamp(r.top(), 0, root.height() - r.height()));
    c.sourceRect = r;
    if (r.isEmpty() || c.outputSize.isEmpty()) {
        *error = QStringLiteral("nothing to record");
        return nullptr;
    }
    auto stream = std::make_unique<X11FrameStream>(conn.value(), c, std::move(onFrame), std::move(onError));
    if (!stream->begin(error)) {
        return nullptr;
    }
    return stream;
}

} // namespace mebo::platform::x11
