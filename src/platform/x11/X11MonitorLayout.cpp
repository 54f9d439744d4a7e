#include "platform/x11/X11MonitorLayout.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11ScaleFactors.h"

#include <algorithm>
#include <cmath>
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
    const X11ScaleFactors scales = X11ScaleFactors::fromEnvironment(conn.xftDpi());
    if (scales.needsNames()) {
        names = Names::Fetch;
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
    X11MonitorLayout layout = fromMonitors(std::move(monitors));
    // Positions in the toolkit's list, which also puts the primary first.
    for (int i = 0; i < layout.monitors_.size(); ++i) {
        layout.monitors_[i].scale = scales.displayScale(layout.monitors_[i].name, i);
    }
    return layout;
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

int X11MonitorLayout::primaryPointHeight() const {
    return monitors_.isEmpty() ? 0 : monitors_.first().rootRect.height() / monitors_.first().scale;
}

const X11Monitor* X11MonitorLayout::monitorAt(const QPoint& p) const {
    const X11Monitor* nearest = nullptr;
    qint64 best = 0;
    for (const X11Monitor& m : monitors_) {
        if (m.rootRect.contains(p)) {
            return &m;
        }
        const qint64 dx = std::max({m.rootRect.left() - p.x(), 0, p.x() - m.rootRect.right()});
        const qint64 dy = std::max({m.rootRect.top() - p.y(), 0, p.y() - m.rootRect.bottom()});
        if (!nearest || dx * dx + dy * dy < best) {
            nearest = &m;
            best = dx * dx + dy * dy;
        }
    }
    return nearest;
}

const X11Monitor* X11MonitorLayout::monitorFor(const QRect& r) const {
    if (monitors_.isEmpty()) {
        return nullptr;
    }
    const QPoint centre(r.x() + r.width() / 2, r.y() + r.height() / 2);
    const X11Monitor* most = nullptr;
    qint64 mostArea = 0;
    for (const X11Monitor& m : monitors_) {
        if (m.rootRect.contains(centre)) {
            return &m;
        }
        const QRect overlap = m.rootRect.intersected(r);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > mostArea) {
            most = &m;
            mostArea = area;
        }
    }
    return most ? most : &monitors_.first();
}

QRect X11MonitorLayout::toWindowSpace(const QRect& r, const X11Monitor& m) const {
    const QPoint origin = m.rootRect.topLeft() - primaryRect().topLeft();
    const double s = m.scale;
    const int left = int(std::floor((r.x() - m.rootRect.x()) / s));
    const int top = int(std::floor((r.y() - m.rootRect.y()) / s));
    const int right = int(std::ceil((r.x() + r.width() - m.rootRect.x()) / s));
    const int bottom = int(std::ceil((r.y() + r.height() - m.rootRect.y()) / s));
    return QRect(origin.x() + left, origin.y() + top, right - left, bottom - top);
}

QRect X11MonitorLayout::toWindowSpace(const QRect& r) const {
    const X11Monitor* m = monitorFor(r);
    return m ? toWindowSpace(r, *m) : r;
}

QRect X11MonitorLayout::toDesktop(const QRect& r) const {
    const QRect w = toWindowSpace(r);
    return QRect(w.x(), primaryPointHeight() - w.y() - w.height(), w.width(), w.height());
}

QPoint X11MonitorLayout::pointToDesktop(const QPoint& pt) const {
    const X11Monitor* m = monitorAt(pt);
    if (!m) {
        return pt;
    }
    const QPoint origin = m->rootRect.topLeft() - primaryRect().topLeft();
    const int x = origin.x() + int(std::floor(double(pt.x() - m->rootRect.x()) / m->scale));
    const int y = origin.y() + int(std::floor(double(pt.y() - m->rootRect.y()) / m->scale));
    return QPoint(x, primaryPointHeight() - y);
}

QRect X11MonitorLayout::toRoot(const QRect& d, uint32_t id) const {
    const X11Monitor* m = find(id);
    if (!m) {
        return {};
    }
    const QPoint origin = m->rootRect.topLeft() - primaryRect().topLeft();
    const int s = m->scale;
    const int winY = primaryPointHeight() - d.y() - d.height();
    return QRect(m->rootRect.x() + (d.x() - origin.x()) * s, m->rootRect.y() + (winY - origin.y()) * s,
                 d.width() * s, d.height() * s);
}

QList<DisplayInfo> X11MonitorLayout::displays() const {
    QList<DisplayInfo> out;
    out.reserve(monitors_.size());
    for (const X11Monitor& m : monitors_) {
        DisplayInfo d;
        d.displayId = m.id;
        d.name = m.name;
        // Whole points: a last partial point of a monitor that does not divide by its scale is
        // left out, as the toolkit does.
        const QRect w(m.rootRect.topLeft() - primaryRect().topLeft(),
                      QSize(m.rootRect.width() / m.scale, m.rootRect.height() / m.scale));
        d.frame = QRect(w.x(), primaryPointHeight() - w.y() - w.height(), w.width(), w.height());
        d.nativeFrame = m.rootRect;
        d.scale = m.scale;
        d.primary = m.primary;
        out << d;
    }
    return out;
}

} // namespace mebo::platform::x11
