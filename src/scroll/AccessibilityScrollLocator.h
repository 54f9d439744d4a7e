#pragma once

#include "app/SerialQueue.h"
#include "scroll/AccessibilityScrollTarget.h"

#include <QPoint>
#include <QRect>
#include <QSet>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace mebo {

// A container under the pointer the overlay can snap to: its frame (desktop space), its role and
// whether it scrolls vertically.
struct AccessibilitySnapArea {
    QRect frame;
    QString role;
    bool hasVerticalScrollBar = false;
};

// Finds the scrollable element under a point through the accessibility interface (the web area
// of a browser, a text area, a table, a list...), and the snap areas of the overlay. Every
// accessibility call runs on the serial queue "mebo.ax-hover-scan": the accessibility library is
// used from that one thread only, and a slow or hung application never blocks the main thread.
// Answers come back on the main thread. Rectangles and points of the public calls are in desktop
// space (points, bottom-left origin of the primary display).
class AccessibilityScrollLocator {
public:
    struct Candidate {
        platform::AXElement node;
        QString role;
        QRect frame; // window space while searching
        platform::AXElement scrollBar;
        std::optional<qint64> pid;
        bool containsPoint = false;
        bool scrollBarKnown = false; // `scrollBar` was looked up
    };

    using Clock = std::chrono::steady_clock;

    static constexpr int deepScanBudget = 1400;
    static constexpr int scrollBarSearchBudget = 80;
    // A search gives up after this long (the overlay and a capture's start wait for it) and
    // answers the best element found by then.
    static constexpr std::chrono::milliseconds searchTime{800};
    // A capture's scroll target may take longer: without it a window's content area is guessed
    // from its shape, and on a loaded machine the first answers of a browser come slowly.
    static constexpr std::chrono::milliseconds targetSearchTime{2000};
    // A selected window's page: without it the capture would guess the window's bars from its
    // shape, so the search may take longer still (each call a round trip to a busy browser).
    static constexpr std::chrono::milliseconds windowSearchTime{8000};

    // `primaryHeight` converts between desktop and window space; `pidAtPoint` (main thread) names
    // the process owning the front-most window at a desktop point: the element at a point is
    // asked of that application, as the desktop has no system-wide hit test.
    AccessibilityScrollLocator(std::shared_ptr<platform::Accessibility> accessibility,
                               std::function<int()> primaryHeight,
                               std::function<std::optional<qint64>(const QPoint&)> pidAtPoint);
    ~AccessibilityScrollLocator();

    // Whether the accessibility service is on; with `prompt`, switches it on first when it is
    // reachable but off.
    void checkTrust(bool prompt, std::function<void(bool trusted)> done);
    void locate(std::optional<qint64> pid, const QPoint& point, const std::optional<QRect>& clip,
                std::function<void(std::optional<AccessibilityScrollTarget>)> done,
                std::chrono::milliseconds searchFor = targetSearchTime);
    // `webOnly`: only documents qualify (a browser's page rather than a block inside it).
    void snapArea(qint64 pid, const QPoint& point, const QRect& screenArea,
                  std::function<void(std::optional<AccessibilitySnapArea>)> done, bool webOnly = false);
    void focus(const AccessibilityScrollTarget& target);

    // The search itself, in window space, on the thread that owns the tree.
    static std::optional<Candidate> locateNow(platform::Accessibility& ax, qint64 pid, const QPoint& point,
                                              const std::optional<QRect>& clip,
                                              Clock::time_point deadline = Clock::time_point::max());
    static std::optional<AccessibilitySnapArea>
    snapAreaNow(platform::Accessibility& ax, qint64 pid, const QPoint& point, const QRect& screenArea,
                Clock::time_point deadline = Clock::time_point::max(), bool webOnly = false);
    // The ranking: is `a` a better target than `b`.
    static bool isBetter(const Candidate& a, const Candidate& b);
    static int roleRank(const QString& role);
    static bool isPreferredContentRole(const QString& role);
    static bool isScrollableRole(const QString& role);
    static bool isSnapContainerRole(const QString& role);

private:
    QRect toWindowSpace(const QRect& desktop) const;
    QRect toDesktop(const QRect& window) const;

    std::shared_ptr<platform::Accessibility> ax_;
    std::function<int()> primaryHeight_;
    std::function<std::optional<qint64>(const QPoint&)> pidAtPoint_;
    std::shared_ptr<bool> alive_;
    SerialQueue queue_; // last: its jobs use the members above until it is joined
};

} // namespace mebo
