#pragma once

#include <QRect>
#include <QString>
#include <cstdint>

namespace mebo::platform {

// One monitor. `frame` is in desktop space: points, origin at the bottom-left of the primary
// display (y' = primary height - y). On X11 points equal root-window pixels at scale 1.
struct DisplayInfo {
    uint32_t displayId = 0; // RandR output id
    QString name;
    QRect frame;
    double scale = 1.0; // device pixels per point
    bool primary = false;
    QRect nativeFrame; // the backend's own pixel rectangle (X11 root coordinates, top-left origin)
};

enum class WindowType { Normal, Dialog, Utility, Toolbar, Menu, Splash, Dock, Desktop, Notification, Other };

// One top-level window as the window manager lists it. `frame` includes decorations and is in
// points with the origin at the top-left of the primary display (the convention of window lists).
struct WindowInfo {
    uint32_t windowId = 0; // X11 client window id
    QRect frame;
    QString title;
    qint64 pid = 0;  // 0 when unknown
    QString appId;   // WM_CLASS class, lower-cased ("xterm", "firefox-esr")
    QString appName; // WM_CLASS instance
    WindowType type = WindowType::Normal;
    bool onScreen = true; // mapped, not minimised, on the current desktop
};

} // namespace mebo::platform
