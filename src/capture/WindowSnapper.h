#pragma once

#include "capture/SnapRegion.h"
#include "platform/Display.h"

#include <QHash>
#include <QList>
#include <QPoint>
#include <functional>
#include <memory>
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
//
// With a content query, a window under the pointer may offer a content area instead (a browser's
// page, a large window's scrolling element), asked of the accessibility interface off the main
// thread: one question at a time, the newest cell waiting for the one asked to answer, and an
// answer counted only when no newer question was wanted since (`generation`). Until it comes the
// window is offered.
class WindowSnapper {
public:
    static constexpr double lifetimeSec = 0.05;
    static constexpr int bucketSize = 8; // points
    static constexpr int minSide = 20;   // points
    // Windows other than browsers offer content areas from this size on (points).
    static constexpr int contentMinWidth = 620;
    static constexpr int contentMinHeight = 180;

    struct ContentArea {
        QRect rect; // window space
        bool scrollable = false;
    };
    using ContentAnswer = std::function<void(std::optional<ContentArea>)>;
    // Asks for the content area of `window` under `point`; `done` runs later on the main thread
    // (or at once), exactly once.
    using ContentQuery =
        std::function<void(const platform::WindowInfo& window, const QPoint& point, ContentAnswer done)>;

    // `clock`: monotonic seconds.
    WindowSnapper(platform::WindowServer& windowServer, qint64 ownPid, std::function<double()> clock);

    // The snap candidates (the shareable-window listing, front-most first).
    void setCandidates(QList<platform::WindowInfo> shareable);
    std::optional<SnapRegion> hitTest(const QPoint& point);
    // Content areas: `isBrowser` tells the windows whose page is always offered; `changed` runs
    // when an answer arrived that may change what the pointer's cell offers. Null query: windows
    // only.
    void setContentQuery(ContentQuery query, std::function<bool(const platform::WindowInfo&)> isBrowser,
                         std::function<void()> changed);
    // Content questions asked so far.
    int contentQueries() const { return contentQueries_; }
    // Window server reads so far (one per lifetime at most).
    int listReads() const { return listReads_; }

private:
    std::optional<SnapRegion> computeHit(const QPoint& point) const;
    std::optional<SnapRegion> contentAt(const SnapRegion& window, const QPoint& point);
    void ask();
    void answered(quint64 generation, uint32_t windowId, QPoint cell, std::optional<ContentArea> area);

    platform::WindowServer& windowServer_;
    qint64 ownPid_;
    std::function<double()> clock_;
    QList<platform::WindowInfo> candidates_;
    QList<platform::WindowInfo> live_;
    std::optional<double> liveReadAt_;
    QHash<QPoint, std::optional<SnapRegion>> answers_; // by cell, for the current read
    int listReads_ = 0;

    ContentQuery contentQuery_;
    std::function<bool(const platform::WindowInfo&)> isBrowser_;
    std::function<void()> contentChanged_;
    // Answers by window and cell.
    QHash<uint32_t, QHash<QPoint, std::optional<ContentArea>>> contentAnswers_;
    // The question wanted now: the window, the point and its cell.
    struct Question {
        platform::WindowInfo window;
        QPoint point;
        QPoint cell;
    };
    std::optional<Question> wanted_;
    quint64 generation_ = 0;
    bool asking_ = false;
    bool inQuery_ = false; // an answer given at once is read by the caller, not announced
    int contentQueries_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace mebo
