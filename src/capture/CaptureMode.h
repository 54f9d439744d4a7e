#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>

namespace mebo {

enum class CaptureMode { area, fullscreen, window, scroll, record, recordArea };

QString captureModeRawValue(CaptureMode mode);
std::optional<CaptureMode> captureModeFromRawValue(const QString& raw);

struct CaptureRequest {
    enum class Source { urlScheme, menuBar, onboarding, api };

    CaptureMode mode = CaptureMode::area;
    Source source = Source::api;

    // Targets the caller already knows (the command line); when absent the interactive path
    // (region overlay, pointer) decides.
    std::optional<uint32_t> displayId; // fullscreen / area: the display
    std::optional<QRect> areaRect;     // area: desktop space, points, bottom-left origin
    std::optional<QRect> areaPixels;   // area, exact: pixels of displayId's own picture (wins)
    std::optional<uint32_t> windowId;  // window: the window

    // A target remembered rather than chosen now: the last area selected (area), the window in
    // front (window). Without one, the interactive selection opens instead.
    enum class Target { chosen, lastRegion, activeWindow };
    Target target = Target::chosen;
    // Seconds to wait before capturing; unset: the user's setting (none on the command line).
    std::optional<int> delaySeconds;
};

QString captureSourceRawValue(CaptureRequest::Source source);

struct CaptureResult {
    QImage image; // pixels
    CaptureMode mode = CaptureMode::area;
    QDateTime captureDate;
    std::optional<uint32_t> displayId;
    std::optional<QString> sourceWindowTitle;
};

} // namespace mebo
