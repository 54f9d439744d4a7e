#include "video/SpanDrag.h"

#include "video/VideoTimeline.h"

#include <algorithm>
#include <cmath>

namespace mebo {

double SpanDrag::timeAtX(double x, double contentWidth, double duration) {
    const double width = contentWidth - kInsets;
    if (!(width > 0)) {
        return 0;
    }
    return VideoTimeline::clampTime(x / width * VideoTimeline::sanitizedDuration(duration), duration);
}

double SpanDrag::snapped(double t) {
    return std::round(t / kGrid) * kGrid;
}

TimeRange SpanDrag::drag(Mode mode, TimeRange original, double grabTime, double pointerTime, double duration,
                         bool shiftHeld) {
    const double d = VideoTimeline::sanitizedDuration(duration);
    auto snap = [shiftHeld](double t) { return shiftHeld ? t : snapped(t); };
    switch (mode) {
    case Mode::move: {
        const double length = original.length();
        double start = snap(original.start + (pointerTime - grabTime));
        // Shifted back inside the source; a span longer than the source starts at 0.
        start = std::max(0.0, std::min(start, d - length));
        return {start, start + length};
    }
    case Mode::leftEdge: {
        const double start = std::clamp(snap(pointerTime), 0.0, std::max(original.end - kMinLength, 0.0));
        return {start, original.end};
    }
    case Mode::rightEdge: {
        const double end = std::clamp(snap(pointerTime), std::min(original.start + kMinLength, d), d);
        return {original.start, end};
    }
    }
    return original;
}

} // namespace mebo
