#include "main/CliTargets.h"

#include "main/AppServices.h"

#include <cmath>

namespace mebo::cli {

std::optional<GeometryTarget> geometryTarget(const QList<platform::DisplayInfo>& displays,
                                             const QRect& rect) {
    std::optional<platform::DisplayInfo> best;
    qint64 bestArea = 0;
    for (const auto& d : displays) {
        const QRect overlap = d.nativeFrame.intersected(rect);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            bestArea = area;
            best = d;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    const QRect& n = best->nativeFrame;
    const QRect pixels = rect.intersected(n).translated(-n.topLeft());
    // Points per native pixel; the frame's bottom-left origin flips y within the display.
    const double s = best->scale > 0 ? best->scale : 1.0;
    const int left = int(std::floor(pixels.x() / s)),
              right = int(std::ceil((pixels.x() + pixels.width()) / s));
    const int top = int(std::floor(pixels.y() / s)),
              bottom = int(std::ceil((pixels.y() + pixels.height()) / s));
    const QRect desktop(best->frame.x() + left, best->frame.y() + best->frame.height() - bottom, right - left,
                        bottom - top);
    return GeometryTarget{*best, pixels, desktop};
}

std::optional<platform::WindowInfo> windowUnderPointer(AppServices& services) {
    const auto pointer = services.screenBackends().pointer->location();
    if (!pointer) {
        return std::nullopt;
    }
    const auto displays = services.screenBackends().screen->displays();
    int primaryHeight = 0;
    for (const auto& d : displays) {
        if (d.primary) {
            primaryHeight = d.frame.height();
        }
    }
    if (primaryHeight == 0 && !displays.isEmpty()) {
        primaryHeight = displays.first().frame.height();
    }
    // Window frames use a top-left origin at the primary display.
    const QPoint topLeft(pointer->x(), primaryHeight - pointer->y());
    for (const auto& w : services.screenBackends().windows->windowsFrontToBack()) {
        if (w.frame.contains(topLeft)) {
            return w;
        }
    }
    return std::nullopt;
}

QString displayLine(const platform::DisplayInfo& d) {
    return QStringLiteral("%1 %2 %3x%4+%5+%6 scale %7%8")
        .arg(d.displayId)
        .arg(d.name)
        .arg(d.nativeFrame.width())
        .arg(d.nativeFrame.height())
        .arg(d.nativeFrame.x())
        .arg(d.nativeFrame.y())
        .arg(d.scale)
        .arg(d.primary ? QStringLiteral(" primary") : QString());
}

} // namespace mebo::cli
