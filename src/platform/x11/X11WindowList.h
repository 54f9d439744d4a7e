#pragma once

#include "platform/Display.h"

#include <QList>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace mebo::platform::x11 {

class X11Connection;
class X11MonitorLayout;

// Reads the top-level client windows from the window manager: _NET_CLIENT_LIST_STACKING, or
// without one (no EWMH window manager) the root's children, descending to the window that
// carries WM_STATE. All requests of one listing are pipelined, so a listing costs a few round
// trips whatever the number of windows. Stateless; any thread may call it.
class X11WindowList {
public:
    enum class Source {
        Auto,      // the EWMH stacking list when the window manager publishes one, else the tree
        QueryTree, // always the tree walk
    };

    explicit X11WindowList(std::shared_ptr<X11Connection> conn);

    // Every client, front-most first, windows of this process left out. Frames are in the
    // window-list space of `layout` (points, top-left origin of the primary). Empty when the
    // connection is broken.
    QList<WindowInfo> list(const X11MonitorLayout& layout, Source source = Source::Auto) const;

    // `onScreenOnly` keeps visible windows on the current desktop; `excludeDesktopElements`
    // drops the desktop and dock/panel windows (the elements around the applications' windows).
    static QList<WindowInfo> filtered(const QList<WindowInfo>& windows, bool onScreenOnly,
                                      bool excludeDesktopElements);

private:
    bool ewmhStacking(std::vector<xcb_window_t>* bottomToTop) const;
    std::vector<xcb_window_t> treeClients() const;

    std::shared_ptr<X11Connection> conn_;
};

} // namespace mebo::platform::x11
