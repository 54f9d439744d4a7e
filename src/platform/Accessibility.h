#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

namespace mebo::platform {

// One element of an application's accessibility tree. Roles are given in the accessibility
// vocabulary the scroll-target rules speak ("AXWebArea", "AXScrollArea", "AXList", ...); the
// backend maps its own roles onto it. Frames are in window space (points, top-left origin of the
// primary display). Every call may be a round trip to the application and may fail; a failure
// answers nothing, like an absent attribute. Not thread-safe: one thread uses a tree (the
// locator's queue).
class AccessibilityElement {
public:
    // The element lists an element offers, as "AXChildren", "AXVisibleChildren", "AXRows",
    // "AXColumns", "AXTabs", "AXContents" and "AXWindows" name them.
    enum class List { children, visibleChildren, rows, columns, tabs, contents, windows };

    virtual ~AccessibilityElement() = default;

    virtual QString role() = 0;
    virtual std::optional<QRect> frame() = 0;
    virtual std::shared_ptr<AccessibilityElement> parent() = 0;
    // At most `limit` of them, in order.
    virtual QList<std::shared_ptr<AccessibilityElement>> elements(List which, int limit) = 0;
    // "AXVerticalScrollBar": the element's own vertical scroll bar, when it names one.
    virtual std::shared_ptr<AccessibilityElement> verticalScrollBar() = 0;
    // "AXOrientation": "AXVerticalOrientation" or "AXHorizontalOrientation", when known.
    virtual QString orientation() = 0;
    // Not shown at all (another tab's page, a closed menu): nothing below it is on screen.
    virtual bool isHidden() { return false; }
    // The process owning the element; 0 when unknown.
    virtual qint64 pid() = 0;
    // The deepest element at `point` below this one (nothing when none).
    virtual std::shared_ptr<AccessibilityElement> elementAt(const QPoint& point) = 0;
    // "AXFocused" = true.
    virtual bool focus() = 0;
    // Identity: the same object of the same application.
    virtual QString key() = 0;
};

using AXElement = std::shared_ptr<AccessibilityElement>;

// The accessibility interface of the desktop.
class Accessibility {
public:
    virtual ~Accessibility() = default;

    // Whether the accessibility service is reachable and switched on ("trusted").
    virtual bool isTrusted() = 0;
    // Asks for it to be switched on (as a desktop's "assistive technologies" setting does) and
    // answers whether it is on now. Applications started before that may still hide their trees.
    virtual bool requestTrust() = 0;
    // The application element of process `pid`; nothing when it exposes none.
    virtual AXElement application(qint64 pid) = 0;
    // Calls made after `deadline` answer nothing at once, and calls before it wait for the
    // application at most until then. time_point::max() lifts it.
    virtual void setDeadline(std::chrono::steady_clock::time_point deadline) { (void)deadline; }
};

} // namespace mebo::platform
