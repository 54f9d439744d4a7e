#pragma once

#include "platform/Display.h"
#include "platform/Result.h"

#include <QImage>
#include <QList>

namespace mebo::platform {

struct ShareableContent {
    QList<DisplayInfo> displays;
    QList<WindowInfo> windows; // in the window manager's stacking order, front-most first
};

struct ContentQuery {
    bool excludeDesktopWindows = true;
    bool onScreenWindowsOnly = true;
    // Callers that need only the displays (and the readability test) skip the window list,
    // which costs round trips to a possibly busy display server.
    bool includeWindows = true;
};

// The screen-capture service: displays, shareable windows and single-image grabs.
// A failing shareableContent() means the screen cannot be read (the "permission" test).
class ScreenCapture {
public:
    virtual ~ScreenCapture() = default;

    // The current monitors; synchronous (screen geometry is known locally).
    virtual QList<DisplayInfo> displays() = 0;
    virtual void shareableContent(const ContentQuery& query, Completion<ShareableContent> done) = 0;
    // Grabs a whole display at `pixelSize` (display size x scale). The image is opaque RGB32.
    virtual void captureDisplay(uint32_t displayId, QSize pixelSize, bool showCursor,
                                Completion<QImage> done) = 0;
};

} // namespace mebo::platform
