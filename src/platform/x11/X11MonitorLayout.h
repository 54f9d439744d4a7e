#pragma once

#include "platform/Display.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>

namespace mebo::platform::x11 {

class X11Connection;

struct X11Monitor {
    uint32_t id = 0; // first RandR output; the monitor's name atom when it has no output
    QString name;
    QRect rootRect; // root-window pixels
    bool primary = false;
    int scale = 1; // device pixels per point (X11ScaleFactors)
};

// The monitors of the screen and the conversions between root-window pixels and the two
// coordinate conventions of the platform interfaces. X11 has one pixel space; points are root
// pixels divided by the monitor's scale, each monitor keeping its root origin (relative to the
// primary's), as the toolkit lays out its screens. A rectangle is converted with the scale of
// the monitor holding its centre.
class X11MonitorLayout {
public:
    enum class Names { Fetch, Skip };

    // RandR 1.5 active monitors; without RandR 1.5 (or when it lists none) the whole root is one
    // monitor whose id is the root window id. Empty when the connection is broken.
    // `Names::Skip` saves a round trip for callers that only convert coordinates.
    static X11MonitorLayout query(const X11Connection& conn, Names names = Names::Fetch);
    // Chooses the primary: the one RandR marks, else the one at the root origin, else the first.
    // The primary is listed first.
    static X11MonitorLayout fromMonitors(QList<X11Monitor> monitors);

    const QList<X11Monitor>& monitors() const { return monitors_; }
    const X11Monitor* find(uint32_t id) const;
    bool isEmpty() const { return monitors_.isEmpty(); }
    // Root rectangle of the primary monitor (empty when there is none).
    QRect primaryRect() const;

    // Root pixels -> desktop space: points, origin at the primary's bottom-left, y up. Partial
    // points are rounded outward.
    QRect toDesktop(const QRect& rootRect) const;
    QPoint pointToDesktop(const QPoint& rootPoint) const;
    // Root pixels -> window-list space: points, origin at the primary's top-left, y down.
    QRect toWindowSpace(const QRect& rootRect) const;
    // Desktop space on monitor `id` -> root pixels (what a grab of that rectangle reads).
    QRect toRoot(const QRect& desktopRect, uint32_t id) const;
    // The monitor holding a root point (else the nearest one); null when there is none.
    const X11Monitor* monitorAt(const QPoint& rootPoint) const;
    // The monitor holding a root rectangle's centre, else the one it overlaps most, else the primary.
    const X11Monitor* monitorFor(const QRect& rootRect) const;

    QList<DisplayInfo> displays() const;

private:
    QRect toWindowSpace(const QRect& rootRect, const X11Monitor& m) const;
    // The primary's height in points: desktop space flips about it.
    int primaryPointHeight() const;

    QList<X11Monitor> monitors_;
};

} // namespace mebo::platform::x11
