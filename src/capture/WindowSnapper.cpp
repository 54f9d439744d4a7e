#include "capture/WindowSnapper.h"

#include "platform/WindowServer.h"

namespace mebo {

namespace {

int cellOf(int v) {
    // Floor division, so negative coordinates (displays left of or above the primary) bucket too.
    return v >= 0 ? v / WindowSnapper::bucketSize
                  : -((-v + WindowSnapper::bucketSize - 1) / WindowSnapper::bucketSize);
}

} // namespace

WindowSnapper::WindowSnapper(platform::WindowServer& windowServer, qint64 ownPid,
                             std::function<double()> clock)
    : windowServer_(windowServer), ownPid_(ownPid), clock_(std::move(clock)) {}

void WindowSnapper::setCandidates(QList<platform::WindowInfo> shareable) {
    candidates_ = std::move(shareable);
    answers_.clear();
}

std::optional<SnapRegion> WindowSnapper::hitTest(const QPoint& point) {
    const double now = clock_();
    if (!liveReadAt_ || now - *liveReadAt_ >= lifetimeSec || now < *liveReadAt_) {
        live_ = windowServer_.windowsFrontToBack();
        liveReadAt_ = now;
        ++listReads_;
        answers_.clear();
    }
    const QPoint cell(cellOf(point.x()), cellOf(point.y()));
    if (auto it = answers_.constFind(cell); it != answers_.constEnd()) {
        return *it;
    }
    const std::optional<SnapRegion> hit = computeHit(point);
    answers_.insert(cell, hit);
    return hit;
}

std::optional<SnapRegion> WindowSnapper::computeHit(const QPoint& point) const {
    for (const platform::WindowInfo& w : live_) {
        if ((ownPid_ != 0 && w.pid == ownPid_) || !w.onScreen || w.frame.width() < minSide ||
            w.frame.height() < minSide) {
            continue;
        }
        if (!w.frame.contains(point)) {
            continue;
        }
        // The front-most window under the pointer decides; a window that cannot be shared
        // (a panel, a dock) covers what lies behind it.
        for (const platform::WindowInfo& c : candidates_) {
            if (c.windowId == w.windowId) {
                return SnapRegion{c.frame, c.title, false, c.windowId, false};
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace mebo
