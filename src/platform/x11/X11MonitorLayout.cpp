#include "platform/x11/X11MonitorLayout.h"

#include "platform/x11/X11Connection.h"

#include <cstdlib>
#include <vector>
#include <xcb/randr.h>

namespace mebo::platform::x11 {

namespace {

QList<X11Monitor> queryRandrMonitors(const X11Connection& conn, X11MonitorLayout::Names names) {
    xcb_connection_t* c = conn.xcb();
    QList<X11Monitor> out;
    xcb_randr_get_monitors_reply_t* reply =
        xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, conn.root(), /*get_active*/ 1), nullptr);
    if (!reply) {
        return out;
    }
    std::vector<xcb_atom_t> nameAtoms;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply); it.rem;
         xcb_randr_monitor_info_next(&it)) {
        const xcb_randr_monitor_info_t* m = it.data;
        X11Monitor mon;
        // Monitors defined without outputs (xrandr --setmonitor ... none) have only their name
        // atom as a stable identity; atoms are small numbers, output ids are server XIDs.
        mon.id =
            xcb_randr_monitor_info_outputs_length(m) > 0 ? xcb_randr_monitor_info_outputs(m)[0] : m->name;
        mon.rootRect = QRect(m->x, m->y, m->width, m->height);
        mon.primary = m->primary != 0;
        nameAtoms.push_back(m->name);
        out << mon;
    }
    free(reply);

    if (names == X11MonitorLayout::Names::Fetch) {
        std::vector<xcb_get_atom_name_cookie_t> cookies;
        cookies.reserve(nameAtoms.size());
        for (xcb_atom_t a : nameAtoms) {
            cookies.push_back(xcb_get_atom_name(c, a));
        }
        for (size_t i = 0; i < cookies.size(); ++i) {
            xcb_get_atom_name_reply_t* r = xcb_get_atom_name_reply(c, cookies[i], nullptr);
            if (r) {
                out[qsizetype(i)].name =
                    QString::fromUtf8(xcb_get_atom_name_name(r), xcb_get_atom_name_name_length(r));
            }
            free(r);
        }
    }
    return out;
}

} // namespace

X11MonitorLayout X11MonitorLayout::query(const X11Connection& conn, Names names) {
    if (conn.hasError()) {
        return {};
    }
    QList<X11Monitor> monitors;
    if (conn.hasRandrMonitors()) {
        monitors = queryRandrMonitors(conn, names);
    }
    if (monitors.isEmpty() && !conn.hasError()) {
        // Without RandR the root cannot change size, so the connection setup's figures hold.
        X11Monitor whole;
        whole.id = conn.root();
        whole.name = QStringLiteral("screen");
        whole.rootRect = QRect(0, 0, conn.screen()->width_in_pixels, conn.screen()->height_in_pixels);
        whole.primary = true;
        monitors << whole;
    }
    return fromMonitors(std::move(monitors));
}

X11MonitorLayout X11MonitorLayout::fromMonitors(QList<X11Monitor> monitors) {
    X11MonitorLayout layout;
    qsizetype primary = -1;
    for (qsizetype i = 0; i < monitors.size() && primary < 0; ++i) {
        if (monitors[i].primary) {
            primary = i;
        }
    }
    // No output is primary unless someone set it (Xvfb never does); the monitor at the root
    // origin is what users and toolkits treat as the main one.
    for (qsizetype i = 0; i < monitors.size() && primary < 0; ++i) {
        if (monitors[i].rootRect.topLeft() == QPoint(0, 0)) {
            primary = i;
        }
    }
    if (primary < 0 && !monitors.isEmpty()) {
        primary = 0;
    }
    for (qsizetype i = 0; i < monitors.size(); ++i) {
        monitors[i].primary = i == primary;
    }
    if (primary > 0) {
        monitors.move(primary, 0);
    }
    layout.monitors_ = std::move(monitors);
    return layout;
}

const X11Monitor* X11MonitorLayout::find(uint32_t id) const {
    for (const X11Monitor& m : monitors_) {
        if (m.id == id) {
            return &m;
        }
    }
    return nullptr;
}

QRect X11MonitorLayout::primaryRect() const {
    return monitors_.isEmpty() ? QRect() : monitors_.first().rootRect;
}

QRect X11MonitorLayout::toDesktop(const QRect& r) const {
    const QRect p = primaryRect();
    return QRect(r.x() - p.x(), p.height() - (r.y() - p.y()) - r.height(), r.width(), r.height());
}

QPoint X11MonitorLayout::pointToDesktop(const QPoint& pt) const {
    const QRect p = primaryRect();
    return QPoint(pt.x() - p.x(), p.height() - (pt.y() - p.y()));
}

QRect X11MonitorLayout::toWindowSpace(const QRect& r) const {
    return r.translated(-primaryRect().topLeft());
}

QList<DisplayInfo> X11MonitorLayout::displays() const {
    QList<DisplayInfo> out;
    out.reserve(monitors_.size());
    for (const X11Monitor& m : monitors_) {
        DisplayInfo d;
        d.displayId = m.id;
        d.name = m.name;
        d.frame = toDesktop(m.rootRect);
        d.nativeFrame = m.rootRect;
        d.scale = 1.0;
        d.primary = m.primary;
        out << d;
    }
    return out;
}

} // namespace mebo::platform::x11
