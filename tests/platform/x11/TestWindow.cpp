#include "TestWindow.h"

#include "support/TestUtil.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/xcb_icccm.h>

namespace mebo::test::x11 {

xcb_atom_t TestWindow::atom(const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(conn_, xcb_intern_atom(conn_, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(r);
    return a;
}

TestWindow::TestWindow(const Options& o) {
    conn_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn_)) {
        return;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data;
    window_ = xcb_generate_id(conn_);
    const uint32_t values[] = {o.background};
    xcb_create_window(conn_, XCB_COPY_FROM_PARENT, window_, screen->root, int16_t(o.rect.x()),
                      int16_t(o.rect.y()), uint16_t(o.rect.width()), uint16_t(o.rect.height()), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, values);

    const QByteArray title = o.title.toLatin1();
    xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        uint32_t(title.size()), title.constData());
    static const char wmClass[] = "mebo-test\0MeboTest\0";
    xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof(wmClass) - 1, wmClass);
    if (o.netName) {
        const QByteArray utf8 = o.netName->toUtf8();
        xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window_, atom("_NET_WM_NAME"), atom("UTF8_STRING"),
                            8, uint32_t(utf8.size()), utf8.constData());
    }
    if (!o.types.isEmpty()) {
        std::vector<xcb_atom_t> types;
        for (const QByteArray& t : o.types) {
            types.push_back(atom(t.constData()));
        }
        xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window_, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM,
                            32, uint32_t(types.size()), types.data());
    }
    if (o.pid) {
        xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window_, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32,
                            1, &*o.pid);
    }
    if (o.gtkFrameExtents) {
        xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, window_, atom("_GTK_FRAME_EXTENTS"),
                            XCB_ATOM_CARDINAL, 32, 4, o.gtkFrameExtents->data());
    }
    // Ask the window manager to keep the requested position.
    xcb_size_hints_t hints{};
    xcb_icccm_size_hints_set_position(&hints, 1, o.rect.x(), o.rect.y());
    xcb_icccm_size_hints_set_size(&hints, 1, o.rect.width(), o.rect.height());
    xcb_icccm_set_wm_normal_hints(conn_, window_, &hints);
    xcb_map_window(conn_, window_);
    xcb_flush(conn_);
}

TestWindow::~TestWindow() {
    if (window_) {
        xcb_destroy_window(conn_, window_);
    }
    xcb_flush(conn_);
    xcb_disconnect(conn_);
}

bool TestWindow::waitManaged(int timeoutMs) {
    if (!window_) {
        return false;
    }
    const xcb_atom_t stacking = atom("_NET_CLIENT_LIST_STACKING");
    const xcb_atom_t extents = atom("_NET_FRAME_EXTENTS");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
    return waitUntil(
        [&] {
            xcb_get_property_reply_t* list = xcb_get_property_reply(
                conn_, xcb_get_property(conn_, 0, root, stacking, XCB_ATOM_WINDOW, 0, 4096), nullptr);
            bool listed = false;
            if (list) {
                const auto* w = static_cast<const xcb_window_t*>(xcb_get_property_value(list));
                const int n = xcb_get_property_value_length(list) / 4;
                listed = std::find(w, w + n, window_) != w + n;
            }
            free(list);
            xcb_get_property_reply_t* ext = xcb_get_property_reply(
                conn_, xcb_get_property(conn_, 0, window_, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr);
            const bool hasExtents = ext && ext->value_len == 4;
            free(ext);
            // The manager lists a client before it has mapped the frame around it.
            xcb_get_window_attributes_reply_t* attr =
                xcb_get_window_attributes_reply(conn_, xcb_get_window_attributes(conn_, window_), nullptr);
            const bool viewable = attr && attr->map_state == XCB_MAP_STATE_VIEWABLE;
            free(attr);
            return listed && hasExtents && viewable;
        },
        timeoutMs);
}

} // namespace mebo::test::x11
