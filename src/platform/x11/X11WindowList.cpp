#include "platform/x11/X11WindowList.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11MonitorLayout.h"
#include "platform/x11/X11TextProperty.h"

#include <QByteArray>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <unistd.h>

namespace mebo::platform::x11 {

namespace {

struct FreeDeleter {
    void operator()(void* p) const { free(p); }
};
template <class T> using XcbPtr = std::unique_ptr<T, FreeDeleter>;

constexpr uint32_t allDesktops = 0xFFFFFFFFu;
// Property lengths are in 32-bit units.
constexpr uint32_t textLongs = 1024;
constexpr uint32_t listLongs = 1u << 20;

using PropReply = XcbPtr<xcb_get_property_reply_t>;

PropReply takeProperty(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    return PropReply(xcb_get_property_reply(c, cookie, nullptr));
}

bool exists(const PropReply& r) {
    return r && r->type != XCB_ATOM_NONE;
}

template <class T> std::vector<T> values32(const PropReply& r) {
    if (!r || r->format != 32) {
        return {};
    }
    const auto* p = static_cast<const T*>(xcb_get_property_value(r.get()));
    return std::vector<T>(p, p + xcb_get_property_value_length(r.get()) / 4);
}

std::optional<uint32_t> cardinal(const PropReply& r) {
    const auto v = values32<uint32_t>(r);
    if (v.empty()) {
        return std::nullopt;
    }
    return v.front();
}

QByteArray bytes(const PropReply& r) {
    if (!r || r->format != 8) {
        return {};
    }
    return QByteArray(static_cast<const char*>(xcb_get_property_value(r.get())),
                      xcb_get_property_value_length(r.get()));
}

WindowType typeFrom(const std::vector<xcb_atom_t>& atoms, const xcb_ewmh_connection_t& e) {
    if (atoms.empty()) {
        return WindowType::Normal;
    }
    // The client lists types in order of preference; the first known one counts.
    for (xcb_atom_t a : atoms) {
        if (a == e._NET_WM_WINDOW_TYPE_NORMAL) {
            return WindowType::Normal;
        }
        if (a == e._NET_WM_WINDOW_TYPE_DIALOG) {
            return WindowType::Dialog;
        }
        if (a == e._NET_WM_WINDOW_TYPE_UTILITY) {
            return WindowType::Utility;
        }
        if (a == e._NET_WM_WINDOW_TYPE_TOOLBAR) {
            return WindowType::Toolbar;
        }
        if (a == e._NET_WM_WINDOW_TYPE_MENU || a == e._NET_WM_WINDOW_TYPE_DROPDOWN_MENU ||
            a == e._NET_WM_WINDOW_TYPE_POPUP_MENU) {
            return WindowType::Menu;
        }
        if (a == e._NET_WM_WINDOW_TYPE_SPLASH) {
            return WindowType::Splash;
        }
        if (a == e._NET_WM_WINDOW_TYPE_DOCK) {
            return WindowType::Dock;
        }
        if (a == e._NET_WM_WINDOW_TYPE_DESKTOP) {
            return WindowType::Desktop;
        }
        if (a == e._NET_WM_WINDOW_TYPE_NOTIFICATION) {
            return WindowType::Notification;
        }
        if (a == e._NET_WM_WINDOW_TYPE_TOOLTIP || a == e._NET_WM_WINDOW_TYPE_COMBO ||
            a == e._NET_WM_WINDOW_TYPE_DND) {
            return WindowType::Other;
        }
    }
    return WindowType::Other;
}

// Requests for one window, sent before any reply is read.
struct WindowRequests {
    xcb_window_t window = 0;
    xcb_get_window_attributes_cookie_t attributes{};
    xcb_get_geometry_cookie_t geometry{};
    xcb_translate_coordinates_cookie_t origin{};
    xcb_get_property_cookie_t netWmName{}, wmName{}, pid{}, wmClass{}, frameExtents{}, gtkExtents{}, type{},
        state{}, desktop{};
};

WindowRequests sendRequests(const X11Connection& conn, xcb_window_t w) {
    xcb_connection_t* c = conn.xcb();
    const xcb_ewmh_connection_t& e = conn.ewmh();
    auto prop = [&](xcb_atom_t p, xcb_atom_t type, uint32_t longs) {
        return xcb_get_property(c, 0, w, p, type, 0, longs);
    };
    WindowRequests q;
    q.window = w;
    q.attributes = xcb_get_window_attributes(c, w);
    q.geometry = xcb_get_geometry(c, w);
    q.origin = xcb_translate_coordinates(c, w, conn.root(), 0, 0);
    q.netWmName = prop(e._NET_WM_NAME, e.UTF8_STRING, textLongs);
    q.wmName = prop(XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, textLongs);
    q.pid = prop(e._NET_WM_PID, XCB_ATOM_CARDINAL, 1);
    q.wmClass = prop(XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256);
    q.frameExtents = prop(e._NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4);
    q.gtkExtents = prop(conn.atoms().gtkFrameExtents, XCB_ATOM_CARDINAL, 4);
    q.type = prop(e._NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM, 64);
    q.state = prop(e._NET_WM_STATE, XCB_ATOM_ATOM, 64);
    q.desktop = prop(e._NET_WM_DESKTOP, XCB_ATOM_CARDINAL, 1);
    return q;
}

// Reads every reply of `q` (all of them, so none is left queued). Nothing when the window
// vanished meanwhile.
std::optional<WindowInfo> readWindow(const X11Connection& conn, const WindowRequests& q,
                                     uint32_t currentDesktop, const X11MonitorLayout& layout) {
    xcb_connection_t* c = conn.xcb();
    const xcb_ewmh_connection_t& e = conn.ewmh();
    XcbPtr<xcb_get_window_attributes_reply_t> attr(xcb_get_window_attributes_reply(c, q.attributes, nullptr));
    XcbPtr<xcb_get_geometry_reply_t> geom(xcb_get_geometry_reply(c, q.geometry, nullptr));
    XcbPtr<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(c, q.origin, nullptr));
    const PropReply netWmName = takeProperty(c, q.netWmName);
    const PropReply wmName = takeProperty(c, q.wmName);
    const PropReply pid = takeProperty(c, q.pid);
    const PropReply wmClass = takeProperty(c, q.wmClass);
    const PropReply frameExtents = takeProperty(c, q.frameExtents);
    const PropReply gtkExtents = takeProperty(c, q.gtkExtents);
    const PropReply type = takeProperty(c, q.type);
    const PropReply state = takeProperty(c, q.state);
    const PropReply desktop = takeProperty(c, q.desktop);
    if (!attr || !geom || !origin) {
        return std::nullopt;
    }

    WindowInfo w;
    w.windowId = q.window;
    const X11TextProperty::Types textTypes{e.UTF8_STRING, conn.atoms().compoundText};
    if (exists(netWmName) && netWmName->format == 8 && netWmName->value_len > 0) {
        w.title = X11TextProperty::decode(netWmName->type, bytes(netWmName), textTypes);
    } else if (exists(wmName)) {
        w.title = X11TextProperty::decode(wmName->type, bytes(wmName), textTypes);
    }
    w.pid = cardinal(pid).value_or(0);
    const QList<QByteArray> cls = bytes(wmClass).split('\0');
    if (cls.size() >= 2) {
        w.appName = QString::fromLatin1(cls[0]);
        w.appId = QString::fromLatin1(cls[1]).toLower();
    }

    // The client's own rectangle, then the decorations around it, minus client-side shadows.
    QRect frame(origin->dst_x, origin->dst_y, geom->width, geom->height);
    const auto ext = values32<uint32_t>(frameExtents);
    if (ext.size() == 4) {
        frame.adjust(-int(ext[0]), -int(ext[2]), int(ext[1]), int(ext[3]));
    }
    const auto shadow = values32<uint32_t>(gtkExtents);
    if (shadow.size() == 4) {
        frame.adjust(int(shadow[0]), int(shadow[2]), -int(shadow[1]), -int(shadow[3]));
    }
    w.frame = layout.toWindowSpace(frame);
    w.type = typeFrom(values32<xcb_atom_t>(type), e);

    const auto states = values32<xcb_atom_t>(state);
    const bool hidden = std::find(states.begin(), states.end(), e._NET_WM_STATE_HIDDEN) != states.end();
    const std::optional<uint32_t> onDesktop = cardinal(desktop);
    const bool desktopVisible = !onDesktop || *onDesktop == allDesktops || currentDesktop == allDesktops ||
                                *onDesktop == currentDesktop;
    w.onScreen = attr->map_state == XCB_MAP_STATE_VIEWABLE && !hidden && desktopVisible;
    return w;
}

} // namespace

X11WindowList::X11WindowList(std::shared_ptr<X11Connection> conn) : conn_(std::move(conn)) {}

QList<WindowInfo> X11WindowList::list(const X11MonitorLayout& layout, Source source) const {
    QList<WindowInfo> out;
    if (conn_->hasError()) {
        return out;
    }
    xcb_connection_t* c = conn_->xcb();
    const xcb_ewmh_connection_t& e = conn_->ewmh();
    const auto desktopCookie =
        xcb_get_property(c, 0, conn_->root(), e._NET_CURRENT_DESKTOP, XCB_ATOM_CARDINAL, 0, 1);
    std::vector<xcb_window_t> bottomToTop;
    if (source != Source::Auto || !ewmhStacking(&bottomToTop)) {
        bottomToTop = treeClients();
    }
    // A window manager without desktops shows everything: treat as "all desktops".
    const uint32_t current = cardinal(takeProperty(c, desktopCookie)).value_or(allDesktops);

    std::vector<WindowRequests> requests;
    requests.reserve(bottomToTop.size());
    for (auto it = bottomToTop.rbegin(); it != bottomToTop.rend(); ++it) {
        requests.push_back(sendRequests(*conn_, *it));
    }
    const qint64 self = getpid();
    for (const WindowRequests& q : requests) {
        std::optional<WindowInfo> w = readWindow(*conn_, q, current, layout);
        if (w && w->pid != self) {
            out << *w;
        }
    }
    return out;
}

bool X11WindowList::ewmhStacking(std::vector<xcb_window_t>* bottomToTop) const {
    xcb_connection_t* c = conn_->xcb();
    const PropReply r =
        takeProperty(c, xcb_get_property(c, 0, conn_->root(), conn_->ewmh()._NET_CLIENT_LIST_STACKING,
                                         XCB_ATOM_WINDOW, 0, listLongs));
    if (!exists(r)) {
        return false;
    }
    *bottomToTop = values32<xcb_window_t>(r);
    return true;
}

std::vector<xcb_window_t> X11WindowList::treeClients() const {
    xcb_connection_t* c = conn_->xcb();
    const xcb_atom_t wmState = conn_->atoms().wmState;
    constexpr int maxDepth = 3; // root child (frame) -> ... -> client; reparenting WMs use 1 or 2 levels

    XcbPtr<xcb_query_tree_reply_t> top(xcb_query_tree_reply(c, xcb_query_tree(c, conn_->root()), nullptr));
    if (!top) {
        return {};
    }
    const xcb_window_t* topChildren = xcb_query_tree_children(top.get());
    const int topCount = xcb_query_tree_children_length(top.get());

    struct Candidate {
        xcb_window_t top = 0;
        std::vector<xcb_window_t> frontier;
        xcb_window_t client = 0;
    };
    std::vector<Candidate> cands(topCount);
    std::vector<xcb_get_window_attributes_cookie_t> attrCookies(topCount);
    for (int i = 0; i < topCount; ++i) {
        cands[i].top = topChildren[i];
        cands[i].frontier = {topChildren[i]};
        attrCookies[i] = xcb_get_window_attributes(c, topChildren[i]);
    }

    // Level by level over all top-level windows at once: one round trip per level.
    for (int depth = 0; depth <= maxDepth; ++depth) {
        struct Probe {
            xcb_get_property_cookie_t state;
            xcb_query_tree_cookie_t tree;
            bool wantTree;
        };
        std::vector<std::vector<Probe>> probes(cands.size());
        bool any = false;
        for (size_t i = 0; i < cands.size(); ++i) {
            if (cands[i].client) {
                continue;
            }
            for (xcb_window_t w : cands[i].frontier) {
                Probe p{xcb_get_property(c, 0, w, wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 0),
                        {},
                        depth < maxDepth};
                if (p.wantTree) {
                    p.tree = xcb_query_tree(c, w);
                }
                probes[i].push_back(p);
                any = true;
            }
        }
        if (!any) {
            break;
        }
        for (size_t i = 0; i < cands.size(); ++i) {
            std::vector<xcb_window_t> next;
            for (size_t k = 0; k < probes[i].size(); ++k) {
                const Probe& p = probes[i][k];
                const PropReply state = takeProperty(c, p.state);
                XcbPtr<xcb_query_tree_reply_t> tree(p.wantTree ? xcb_query_tree_reply(c, p.tree, nullptr)
                                                               : nullptr);
                if (exists(state) && !cands[i].client) {
                    cands[i].client = cands[i].frontier[k];
                }
                if (tree) {
                    const xcb_window_t* ch = xcb_query_tree_children(tree.get());
                    next.insert(next.end(), ch, ch + xcb_query_tree_children_length(tree.get()));
                }
            }
            cands[i].frontier = cands[i].client ? std::vector<xcb_window_t>{} : std::move(next);
        }
    }

    std::vector<xcb_window_t> clients;
    for (int i = 0; i < topCount; ++i) {
        XcbPtr<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(c, attrCookies[i], nullptr));
        if (cands[i].client) {
            clients.push_back(cands[i].client);
        } else if (a && !a->override_redirect && a->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT &&
                   a->map_state == XCB_MAP_STATE_VIEWABLE) {
            // No window manager sets WM_STATE: a mapped, ordinary top-level window is the client.
            clients.push_back(cands[i].top);
        }
    }
    return clients;
}

QList<WindowInfo> X11WindowList::filtered(const QList<WindowInfo>& windows, bool onScreenOnly,
                                          bool excludeDesktopElements) {
    QList<WindowInfo> out;
    for (const WindowInfo& w : windows) {
        if (onScreenOnly && !w.onScreen) {
            continue;
        }
        if (excludeDesktopElements && (w.type == WindowType::Desktop || w.type == WindowType::Dock)) {
            continue;
        }
        out << w;
    }
    return out;
}

} // namespace mebo::platform::x11
