#include "platform/x11/X11Connection.h"

#include "platform/x11/X11ScaleFactors.h"

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <xcb/randr.h>
#include <xcb/shm.h>
#include <xcb/xfixes.h>

namespace mebo::platform::x11 {

namespace {

QString connectionErrorText(int code) {
    switch (code) {
    case XCB_CONN_ERROR:
        return QStringLiteral("socket, pipe or stream error");
    case XCB_CONN_CLOSED_EXT_NOTSUPPORTED:
        return QStringLiteral("extension not supported");
    case XCB_CONN_CLOSED_MEM_INSUFFICIENT:
        return QStringLiteral("out of memory");
    case XCB_CONN_CLOSED_REQ_LEN_EXCEED:
        return QStringLiteral("request length exceeded");
    case XCB_CONN_CLOSED_PARSE_ERR:
        return QStringLiteral("invalid display name");
    case XCB_CONN_CLOSED_INVALID_SCREEN:
        return QStringLiteral("no such screen");
    case XCB_CONN_CLOSED_FDPASSING_FAILED:
        return QStringLiteral("file descriptor passing failed");
    default:
        return QStringLiteral("error %1").arg(code);
    }
}

xcb_intern_atom_cookie_t intern(xcb_connection_t* c, const char* name) {
    return xcb_intern_atom(c, 0, uint16_t(strlen(name)), name);
}

xcb_atom_t internReply(xcb_connection_t* c, xcb_intern_atom_cookie_t cookie) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, cookie, nullptr);
    const xcb_atom_t atom = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(r);
    return atom;
}

} // namespace

QString describeXError(const xcb_generic_error_t* error) {
    if (!error) {
        return QStringLiteral("no reply");
    }
    static const char* const names[] = {
        "Success",   "BadRequest", "BadValue",    "BadWindow",   "BadPixmap", "BadAtom",
        "BadCursor", "BadFont",    "BadMatch",    "BadDrawable", "BadAccess", "BadAlloc",
        "BadColor",  "BadGC",      "BadIDChoice", "BadName",     "BadLength", "BadImplementation"};
    const int code = error->error_code;
    const QString name =
        code < int(std::size(names)) ? QString::fromLatin1(names[code]) : QStringLiteral("extension error");
    return QStringLiteral("%1 (%2) in request %3.%4")
        .arg(name)
        .arg(code)
        .arg(error->major_code)
        .arg(error->minor_code);
}

Result<std::shared_ptr<X11Connection>> X11Connection::open(const QString& displayName) {
    using R = Result<std::shared_ptr<X11Connection>>;
    QString shown = displayName;
    if (shown.isEmpty()) {
        shown = qEnvironmentVariable("DISPLAY");
        if (shown.isEmpty()) {
            return R::fail(QStringLiteral("cannot open X display (DISPLAY is not set)"));
        }
    }

    std::shared_ptr<X11Connection> self(new X11Connection);
    self->displayName_ = shown;
    const QByteArray name = displayName.toLocal8Bit();
    self->conn_ = xcb_connect(displayName.isEmpty() ? nullptr : name.constData(), &self->screenNumber_);
    if (const int err = xcb_connection_has_error(self->conn_)) {
        return R::fail(
            QStringLiteral("cannot open X display '%1' (%2)").arg(shown, connectionErrorText(err)));
    }
    xcb_connection_t* c = self->conn_;

    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    for (int i = 0; it.rem && i < self->screenNumber_; ++i) {
        xcb_screen_next(&it);
    }
    if (!it.rem) {
        return R::fail(
            QStringLiteral("cannot open X display '%1' (no screen %2)").arg(shown).arg(self->screenNumber_));
    }
    self->screen_ = it.data;

    // Everything below is pipelined: requests first, replies after.
    xcb_prefetch_extension_data(c, &xcb_shm_id);
    xcb_prefetch_extension_data(c, &xcb_randr_id);
    xcb_prefetch_extension_data(c, &xcb_xfixes_id);
    xcb_intern_atom_cookie_t* ewmhCookies = xcb_ewmh_init_atoms(c, &self->ewmh_);
    self->ewmhAllocated_ = ewmhCookies != nullptr;
    const auto wmState = intern(c, "WM_STATE");
    const auto gtkExtents = intern(c, "_GTK_FRAME_EXTENTS");
    const auto compound = intern(c, "COMPOUND_TEXT");
    const xcb_get_property_cookie_t resources =
        xcb_get_property(c, 0, self->screen_->root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1 << 16);

    const xcb_query_extension_reply_t* randrExt = xcb_get_extension_data(c, &xcb_randr_id);
    xcb_randr_query_version_cookie_t randrCookie{};
    const bool randrPresent = randrExt && randrExt->present;
    if (randrPresent) {
        randrCookie = xcb_randr_query_version(c, 1, 5);
    }
    // XFixes requests are refused until the client has announced a version.
    const xcb_query_extension_reply_t* xfixesExt = xcb_get_extension_data(c, &xcb_xfixes_id);
    xcb_xfixes_query_version_cookie_t xfixesCookie{};
    const bool xfixesPresent = xfixesExt && xfixesExt->present;
    if (xfixesPresent) {
        xfixesCookie = xcb_xfixes_query_version(c, 4, 0);
    }
    const xcb_query_extension_reply_t* shmExt = xcb_get_extension_data(c, &xcb_shm_id);
    self->hasShm_ = shmExt && shmExt->present;

    // Consumes (and frees) the cookies whatever the outcome.
    const bool ewmhReady =
        ewmhCookies && xcb_ewmh_init_atoms_replies(&self->ewmh_, ewmhCookies, nullptr) != 0;
    self->atoms_.wmState = internReply(c, wmState);
    self->atoms_.gtkFrameExtents = internReply(c, gtkExtents);
    self->atoms_.compoundText = internReply(c, compound);
    if (xcb_get_property_reply_t* r = xcb_get_property_reply(c, resources, nullptr)) {
        self->xftDpi_ = X11ScaleFactors::parseXftDpi(QByteArray(
            static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r)));
        free(r);
    }
    if (randrPresent) {
        xcb_randr_query_version_reply_t* v = xcb_randr_query_version_reply(c, randrCookie, nullptr);
        self->hasRandrMonitors_ =
            v && (v->major_version > 1 || (v->major_version == 1 && v->minor_version >= 5));
        free(v);
    }
    if (xfixesPresent) {
        xcb_xfixes_query_version_reply_t* v = xcb_xfixes_query_version_reply(c, xfixesCookie, nullptr);
        self->hasXFixes_ = v && v->major_version >= 2;
        free(v);
    }
    if (!ewmhReady || xcb_connection_has_error(c)) {
        return R::fail(QStringLiteral("cannot open X display '%1' (%2)").arg(shown, self->errorText()));
    }
    return R::ok(std::move(self));
}

X11Connection::~X11Connection() {
    if (ewmhAllocated_) {
        // Frees the per-screen arrays xcb_ewmh_init_atoms allocated; sends nothing.
        xcb_ewmh_connection_wipe(&ewmh_);
    }
    if (conn_) {
        xcb_disconnect(conn_);
    }
}

bool X11Connection::hasError() const {
    return xcb_connection_has_error(conn_) != 0;
}

QString X11Connection::errorText() const {
    const int err = xcb_connection_has_error(conn_);
    if (!err) {
        return QString();
    }
    return QStringLiteral("connection to X display '%1' lost (%2)")
        .arg(displayName_, connectionErrorText(err));
}

} // namespace mebo::platform::x11
