#pragma once

#include "platform/Result.h"

#include <QString>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

namespace mebo::platform::x11 {

// Atoms the backend needs beyond the EWMH set.
struct X11ExtraAtoms {
    xcb_atom_t wmState = XCB_ATOM_NONE;         // WM_STATE (ICCCM, set on managed clients)
    xcb_atom_t gtkFrameExtents = XCB_ATOM_NONE; // _GTK_FRAME_EXTENTS (client-side shadows)
    xcb_atom_t compoundText = XCB_ATOM_NONE;    // COMPOUND_TEXT (legacy WM_NAME encoding)
};

// One xcb connection to an X display, with the root of its default screen and the atoms the
// backend reads. xcb itself is thread-safe; everything this object holds is written once in
// open() and only read afterwards, so any thread may use it (the grab worker does).
class X11Connection {
public:
    // Opens `displayName` (empty: $DISPLAY). Fails with "cannot open X display ':5'" when the
    // server cannot be reached.
    static Result<std::shared_ptr<X11Connection>> open(const QString& displayName = {});
    ~X11Connection();

    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* xcb() const { return conn_; }
    const xcb_screen_t* screen() const { return screen_; }
    xcb_window_t root() const { return screen_->root; }
    int screenNumber() const { return screenNumber_; }
    QString displayName() const { return displayName_; }

    // The EWMH atoms; immutable after open(), so any thread may read them. Properties are read
    // with plain xcb_get_property, so no xcb_ewmh helper ever writes to this struct.
    const xcb_ewmh_connection_t& ewmh() const { return ewmh_; }
    const X11ExtraAtoms& atoms() const { return atoms_; }

    bool hasShm() const { return hasShm_; }
    // RandR 1.5 or later (monitors).
    bool hasRandrMonitors() const { return hasRandrMonitors_; }
    // XFixes 2 or later, version announced (cursor images).
    bool hasXFixes() const { return hasXFixes_; }
    // The Xft.dpi resource when the connection opened (the toolkit reads it at start too); 0 when
    // unset.
    double xftDpi() const { return xftDpi_; }

    // Whether the connection broke (server gone, killed client, protocol error) and why.
    bool hasError() const;
    QString errorText() const;

private:
    X11Connection() = default;

    xcb_connection_t* conn_ = nullptr;
    const xcb_screen_t* screen_ = nullptr;
    int screenNumber_ = 0;
    QString displayName_;
    xcb_ewmh_connection_t ewmh_{};
    bool ewmhAllocated_ = false;
    X11ExtraAtoms atoms_;
    bool hasShm_ = false;
    bool hasRandrMonitors_ = false;
    bool hasXFixes_ = false;
    double xftDpi_ = 0;
};

// "BadWindow (3) in request 20": a readable form of an X error.
QString describeXError(const xcb_generic_error_t* error);

} // namespace mebo::platform::x11
