#pragma once

#include "capture/CaptureMode.h"

#include <QString>
#include <optional>

namespace mebo {

// The external interface "mebo://capture?mode=<mode>" (global hotkeys arrive this way). Parsing
// logs what it saw; anything but a capture command is logged and ignored.
class CaptureUrl {
public:
    // The capture mode a URL asks for, or nothing for an unreadable URL, a foreign scheme or an
    // unknown command. A missing or unknown mode means an area capture.
    static std::optional<CaptureMode> modeFor(const QString& urlText);
    // The capture a URL asks for (source: the URL scheme). Beyond the raw values of CaptureMode,
    // "lastRegion" captures the last area selected, "activeWindow" the window in front and
    // "display" the display under the pointer (as "fullscreen"). An unknown mode is logged and
    // starts an area capture.
    static std::optional<CaptureRequest> requestFor(const QString& urlText);
    // Whether the text is a URL at all (an unreadable one is logged and counts as not received).
    static bool isReadable(const QString& urlText);
};

} // namespace mebo
