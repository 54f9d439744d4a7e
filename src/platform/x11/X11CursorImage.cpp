#include "platform/x11/X11CursorImage.h"

#include "platform/x11/X11Connection.h"

#include <QPainter>
#include <cstdlib>
#include <cstring>
#include <xcb/xfixes.h>

namespace mebo::platform::x11 {

std::optional<X11CursorImage> X11CursorImage::read(const X11Connection& conn) {
    if (!conn.hasXFixes() || conn.hasError()) {
        return std::nullopt;
    }
    xcb_connection_t* c = conn.xcb();
    xcb_xfixes_get_cursor_image_reply_t* r =
        xcb_xfixes_get_cursor_image_reply(c, xcb_xfixes_get_cursor_image(c), nullptr);
    if (!r) {
        return std::nullopt;
    }
    X11CursorImage cursor;
    const int w = r->width;
    const int h = r->height;
    if (w > 0 && h > 0 && xcb_xfixes_get_cursor_image_cursor_image_length(r) >= w * h) {
        // Premultiplied ARGB in host order, one CARD32 per pixel.
        cursor.image_ = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
        const uint32_t* src = xcb_xfixes_get_cursor_image_cursor_image(r);
        for (int y = 0; y < h; ++y) {
            std::memcpy(cursor.image_.scanLine(y), src + size_t(y) * size_t(w), size_t(w) * 4);
        }
        cursor.topLeft_ = QPoint(r->x - r->xhot, r->y - r->yhot);
    }
    free(r);
    if (cursor.image_.isNull()) {
        return std::nullopt;
    }
    return cursor;
}

void X11CursorImage::drawOnto(QImage& frame, const QPoint& frameOrigin) const {
    const QPoint at = topLeft_ - frameOrigin;
    if (!QRect(at, image_.size()).intersects(frame.rect())) {
        return;
    }
    QPainter p(&frame);
    p.drawImage(at, image_);
}

} // namespace mebo::platform::x11
