#pragma once

#include "platform/Display.h"
#include "platform/Result.h"
#include "platform/ScreenCapture.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace mebo {

namespace platform {
class WindowServer;
}

// Turns a capture target (a display, a rectangle of a display, a window) into one bitmap, and
// lists the windows the region overlay may snap to. Stateless apart from its two platform
// references. Every call is asynchronous: its completion runs on the main thread exactly once,
// with nothing (or an empty list) after a failure that has been logged. The service must
// outlive its pending calls (it lives for the whole process).
//
// Units: desktop rectangles are points with the origin at the bottom-left of the primary
// display; window frames from the window lists are points with a top-left origin; images are
// pixels with a top-left origin.
class ScreenCaptureSvc {
public:
    struct WindowCapture {
        QImage image;
        QString title;
    };

    using ImageDone = std::function<void(std::optional<QImage>)>;
    using WindowDone = std::function<void(std::optional<WindowCapture>)>;
    using WindowListDone = std::function<void(QList<platform::WindowInfo>)>;

    ScreenCaptureSvc(platform::ScreenCapture& capture, platform::WindowServer& windowServer);

    // The monitors as the screen-capture service sees them now (synchronous).
    QList<platform::DisplayInfo> displays() const;
    // Pass-through of the shareable-content query; the coordinator's permission test.
    void shareableContent(const platform::ContentQuery& query, Completion<platform::ShareableContent> done);

    void captureFullDisplay(uint32_t displayId, ImageDone done);
    // `rect`: desktop space. The part outside the display is left out.
    void captureArea(uint32_t displayId, const QRect& rect, ImageDone done);
    // `pixels`: the display's own picture (top-left origin), for rectangles points cannot express
    // (odd pixels on a scaled display). The part outside the display is left out.
    void capturePixels(uint32_t displayId, const QRect& pixels, ImageDone done);
    // The screen content inside the window's rectangle on the display holding most of it.
    void captureWindow(uint32_t windowId, WindowDone done);
    // Snap candidates, front-most first.
    void listShareableWindows(WindowListDone done);

    // Integer pixels per point of a display: its scale truncated; else the primary display's;
    // else 2.
    static int displayScale(const QList<platform::DisplayInfo>& displays, uint32_t displayId);
    // The crop of `rect` (desktop space) out of an image of the display whose frame is `frame`,
    // `imageHeight` pixels high, at `scale`: expanded outward to whole pixels, not clipped.
    static QRect cropRect(const QRect& rect, const QRect& frame, double scale, int imageHeight);
    // The display for a desktop rectangle: the one containing its centre, else the first one
    // intersecting it, else the primary (else the first). Nothing only without displays.
    static std::optional<platform::DisplayInfo> displayForRect(const QList<platform::DisplayInfo>& displays,
                                                               const QRect& rect);
    // A window frame (top-left origin) in desktop space, given the primary display's height.
    static QRect toDesktopSpace(const QRect& windowFrame, int primaryHeight);
    // The snap rule: owned by an application, at least 20 x 20 points, not a dock, desktop or
    // notification, and not one of this process's own windows (`ownPid`).
    static bool isSnapCandidate(const platform::WindowInfo& window, qint64 ownPid);
    // Sorts `windows` by their position in `frontToBack` (absent ones last), stable.
    static QList<platform::WindowInfo> orderFrontToBack(QList<platform::WindowInfo> windows,
                                                        const QList<platform::WindowInfo>& frontToBack);
    // "(x, y, w, h)", the rectangle form used in log lines.
    static QString rectText(const QRect& rect);

private:
    platform::ScreenCapture& capture_;
    platform::WindowServer& windowServer_;
};

} // namespace mebo
