#pragma once

#include "capture/SnapRegion.h"
#include "platform/Display.h"

#include <QHash>
#include <QList>
#include <QPoint>
#include <functional>
#include <optional>

namespace mebo {

namespace platform {
class WindowServer;
}

// The overlay's live hit test: which shareable window is under the pointer. Reads the window
// server's on-screen list front to back, skips this process's windows and windows under 20 points
// wide or high, takes the first one containing the point and matches it by id to the shareable
// windows. The window list read is reused for `lifetimeSec`, and within that time answers are kept
// per 8-point cell, so moving the pointer does not flood the window server. Points are in window
// space (top-left origin of the primary display). Main thread.
class WindowSnapper {
public:
    static constexpr double lifetimeSec = 0.05;
    static constexpr int bucketSize = 8; // points
    static constexpr int minSide = 20;   // points

    // `clock`: monotonic seconds.
    WindowSnapper(platform::WindowServer& windowServer, qint64 ownPid, std::function<double()> clock);

    // The snap candidates (the shareable-window listing, front-most first).
    void setCandidates(QList<platform::WindowInfo> shareable);
    std::optional<SnapRegion> hitTest(const QPoint& point);
    // Window server reads so far (one per lifetime at most).
    int listReads() const { return listReads_; }

private:
    std::optional<SnapRegion> computeHit(const QPoint& point) const;

    platform::WindowServer& windowServer_;
    qint64 ownPid_;
    std::function<double()> clock_;
    QList<platform::WindowInfo> candidates_;
    QList<platform::WindowInfo> live_;
    std::optional<double> liveReadAt_;
    QHash<QPoint, std::optional<SnapRegion>> answers_; // by cell, for the current read
    int listReads_ = 0;
};

} // namespace mebo
