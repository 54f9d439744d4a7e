#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <xcb/xcb.h>

namespace mebo::test::x11 {

// A plain X window with chosen EWMH properties, on its own connection, for window-list tests.
// Managed by the desktop's window manager like any client; destroyed with the object.
class TestWindow {
public:
    struct Options {
        QString title{};                                          // WM_NAME (Latin-1)
        QRect rect{};                                             // requested client rectangle, root pixels
        std::optional<QString> netName{};                         // _NET_WM_NAME (UTF-8)
        QList<QByteArray> types{};                                // _NET_WM_WINDOW_TYPE atom names, in order
        std::optional<uint32_t> pid{};                            // _NET_WM_PID
        std::optional<std::array<uint32_t, 4>> gtkFrameExtents{}; // left, right, top, bottom
        uint32_t background = 0x336699;
    };

    explicit TestWindow(const Options& options);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    xcb_window_t id() const { return window_; }
    // Runs the event loop until the window manager lists the window in
    // _NET_CLIENT_LIST_STACKING, has put _NET_FRAME_EXTENTS on it and shows it.
    bool waitManaged(int timeoutMs = 30000);

private:
    xcb_atom_t atom(const char* name);

    xcb_connection_t* conn_ = nullptr;
    xcb_window_t window_ = 0;
};

} // namespace mebo::test::x11
