#pragma once

#include "capture/CaptureMode.h"
#include "capture/RegionOverlay.h"
#include "platform/Display.h"
#include "scroll/AccessibilityScrollTarget.h"
#include "scroll/ScrollSession.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <functional>
#include <memory>
#include <optional>

namespace mebo {

namespace platform {
class EscapeKeyGrab;
class FrameStream;
class InputSynthesizer;
class WindowServer;
} // namespace platform

class AccessibilityScrollLocator;
class ScreenCaptureSvc;
class ScrollControlPanel;

// Receives scroll capture requests: checks what may be used (accessibility, synthetic input),
// lets the user select a region or window in the overlay, corrects the selection to the real
// content area (the page of a browser without its tab strip and toolbar), finds the process that
// owns it, and runs one ScrollSession with the control panel and an Escape grab. At most one
// session at a time. Main thread.
class ScrollCaptureSvc : public QObject {
    Q_OBJECT
public:
    using Completion = std::function<void(std::optional<CaptureResult>)>;

    struct Services {
        ScreenCaptureSvc& screenshots;
        platform::WindowServer& windows;
        platform::InputSynthesizer& input;
        std::function<std::unique_ptr<platform::FrameStream>()> makeStream; // null: screenshots only
        AccessibilityScrollLocator* locator = nullptr;                      // null: no accessibility
        platform::EscapeKeyGrab* escape = nullptr;                          // null: Cancel only
        // This process's own window ids, kept out of frames where the platform can.
        std::function<QList<uint32_t>()> ownWindows;
    };

    explicit ScrollCaptureSvc(Services services, QObject* parent = nullptr);
    ~ScrollCaptureSvc() override;

    void setRegionOverlay(RegionOverlay* overlay) { overlay_ = overlay; }
    void setControlPanel(ScrollControlPanel* panel) { panel_ = panel; }
    void setSessionTiming(const ScrollSession::Timing& timing) { timing_ = timing; }

    // A scroll capture chosen in the overlay.
    void start(const std::optional<QString>& preferredApp, Completion completion);
    // A scroll capture of a window's content area.
    void startWindow(uint32_t windowId, Completion completion);
    // A scroll capture of a known region (desktop space).
    void startRegion(uint32_t displayId, const QRect& rect, Completion completion);
    // Cancel button or Escape: the request completes with nothing at once.
    void cancel();

    // Between a request and its completion.
    bool isRunning() const { return bool(completion_); }
    ScrollSession* session() const { return session_; }

    // The content area of a selected window (desktop space) by its shape and owner; nothing when
    // the window is too small for one.
    static std::optional<QRect> windowContentArea(const platform::WindowInfo& window, int primaryHeight);
    // The accessibility frame `candidate` when it may replace `region`: nearly inside it and not
    // much larger.
    static std::optional<QRect> accessibilityCorrection(const QRect& region, const QRect& candidate);
    // The page of a selected window from the element the accessibility search answered: in a
    // browser only the document itself, elsewhere an element about the size of the window's
    // content area. Nothing when the answer is a part of the page (a table, a frame reached by a
    // search that ran out of time): the window's bars are then told from its content by motion.
    static std::optional<QRect> windowPage(const AccessibilityScrollTarget& found, const QRect& content,
                                           const QRect& frame, bool browser);
    // Whether an application id (WM_CLASS) is a web browser's.
    static bool isBrowser(const QString& appId);
    // The owner of the front-most ordinary window of another process at `point` (desktop space).
    static std::optional<qint64> ownerAt(const QList<platform::WindowInfo>& frontToBack, const QPoint& point,
                                         int primaryHeight, qint64 ownPid);

Q_SIGNALS:
    void runningChanged(bool running);
    // A session ended (not cancelled) after appending `frames` frames.
    void sessionEnded(int frames);

private:
    bool refuseIfRunning(Completion& completion);
    void begin(Completion completion);
    void withTrust(std::function<void(bool usable, bool accessibility)> next);
    void presentOverlay(const std::optional<QString>& preferredApp);
    void startSession(uint32_t displayId, const QRect& rect);
    // `trimLimit` > 0: the region starts at the window's top, whose own bars the session finds
    // by what stays put (`trimFallback` rows when it cannot tell).
    void createSession(uint32_t displayId, const QRect& rect, std::optional<AccessibilityScrollTarget> target,
                       int trimLimit = 0, int trimFallback = 0);
    void sessionFinished(ScrollSession* session, std::optional<CaptureResult> result);
    void finish(std::optional<CaptureResult> result);
    int primaryHeight() const;
    QList<uint32_t> excludedWindows() const;

    Services services_;
    RegionOverlay* overlay_ = nullptr;
    ScrollControlPanel* panel_ = nullptr;
    ScrollSession::Timing timing_;
    Completion completion_;
    bool accessibility_ = false;
    ScrollSession* session_ = nullptr;
    quint64 request_ = 0; // tells answers of an earlier request from the current one
};

} // namespace mebo
