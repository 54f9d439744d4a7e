#include "scroll/ScrollCaptureSvc.h"

#include "app/AppLogger.h"
#include "app/MainThread.h"
#include "capture/ScreenCaptureSvc.h"
#include "platform/InputSynthesizer.h"
#include "platform/KeyGrab.h"
#include "platform/WindowServer.h"
#include "scroll/AccessibilityScrollLocator.h"
#include "scroll/ScrollControlPanel.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

QRect integral(const QRect& r) {
    return r.normalized();
}

QPoint centreOf(const QRect& r) {
    return QPoint(r.x() + r.width() / 2, r.y() + r.height() / 2);
}

} // namespace

ScrollCaptureSvc::ScrollCaptureSvc(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {}

ScrollCaptureSvc::~ScrollCaptureSvc() {
    if (services_.escape) {
        services_.escape->stop();
    }
    if (panel_) {
        panel_->close();
    }
}

bool ScrollCaptureSvc::isBrowser(const QString& appId) {
    // WM_CLASS classes of the browsers, lower-cased ("chromium", "google-chrome", "firefox-esr",
    // "brave-browser", "microsoft-edge", "vivaldi-stable", ...).
    static const QStringList prefixes = {
        QStringLiteral("chromium"),  QStringLiteral("google-chrome"),  QStringLiteral("firefox"),
        QStringLiteral("brave"),     QStringLiteral("microsoft-edge"), QStringLiteral("opera"),
        QStringLiteral("vivaldi"),   QStringLiteral("librewolf"),      QStringLiteral("waterfox"),
        QStringLiteral("navigator"), QStringLiteral("epiphany"),       QStringLiteral("org.gnome.epiphany"),
        QStringLiteral("falkon"),    QStringLiteral("thorium"),        QStringLiteral("floorp")};
    const QString id = appId.toLower();
    return std::any_of(prefixes.begin(), prefixes.end(), [&](const QString& p) { return id.startsWith(p); });
}

std::optional<QRect> ScrollCaptureSvc::windowContentArea(const platform::WindowInfo& window,
                                                         int primaryHeight) {
    const QRect frame = ScreenCaptureSvc::toDesktopSpace(window.frame, primaryHeight).normalized();
    if (frame.width() < 140 || frame.height() < 160) {
        return std::nullopt;
    }
    double top = 0;
    double side = 0;
    if (isBrowser(window.appId)) {
        top = std::clamp(0.13 * frame.height(), 84.0, 136.0);
    } else {
        top = std::clamp(0.08 * frame.height(), 38.0, 64.0);
        side = std::min(0.02 * frame.width(), 10.0);
    }
    // Desktop space grows upwards: the top inset comes off the height, the bottom stays.
    const int s = int(std::lround(side));
    const QRect content(frame.x() + s, frame.y(), frame.width() - 2 * s,
                        int(std::lround(frame.height() - top)));
    if (content.width() < 120 || content.height() < 120 || content.height() >= frame.height() - 8) {
        return std::nullopt;
    }
    return content;
}

std::optional<QRect> ScrollCaptureSvc::accessibilityCorrection(const QRect& region, const QRect& candidate) {
    const QRect a = integral(candidate);
    const QRect grown = region.adjusted(-8, -8, 8, 8);
    const QRect inter = a.intersected(grown);
    const qint64 areaA = qint64(a.width()) * a.height();
    const bool inside = grown.contains(a) ||
                        (areaA > 0 && double(qint64(inter.width()) * inter.height()) >= 0.88 * double(areaA));
    if (!inside || a.width() < 120 || a.height() < 120 || a.width() > region.width() + 16 ||
        a.height() > region.height() + 16) {
        return std::nullopt;
    }
    return a;
}

std::optional<QRect> ScrollCaptureSvc::windowPage(const AccessibilityScrollTarget& found,
                                                  const QRect& content, const QRect& frame, bool browser) {
    const QRect page = found.frame.normalized().intersected(frame.normalized());
    if (page.width() < 120 || page.height() < 120) {
        return std::nullopt;
    }
    // A browser's page is its document; a table, list or frame inside it starts below the page's
    // top and would leave the page's first rows out.
    if (browser && found.role != QLatin1String("AXWebArea")) {
        return std::nullopt;
    }
    // An inner document (an embedded frame) or an element the search reached before its time ran
    // out is much smaller than the window's content; bars of other sizes than the guessed ones
    // (an info bar, a bookmarks bar, a side panel) leave most of it.
    if (page.width() < 0.75 * content.width() || page.height() < 0.6 * content.height()) {
        return std::nullopt;
    }
    return page;
}

std::optional<qint64> ScrollCaptureSvc::ownerAt(const QList<platform::WindowInfo>& frontToBack,
                                                const QPoint& point, int primaryHeight, qint64 ownPid) {
    for (const auto& w : frontToBack) {
        // Layer 0: ordinary application windows (docks, desktops and notifications are not).
        const bool ordinary = w.type == platform::WindowType::Normal ||
                              w.type == platform::WindowType::Dialog ||
                              w.type == platform::WindowType::Utility;
        if (!ordinary || (ownPid != 0 && w.pid == ownPid)) {
            continue;
        }
        const QRect desktop = ScreenCaptureSvc::toDesktopSpace(w.frame, primaryHeight);
        if (desktop.contains(point)) {
            return w.pid > 0 ? std::optional<qint64>(w.pid) : std::nullopt;
        }
    }
    return std::nullopt;
}

int ScrollCaptureSvc::primaryHeight() const {
    const auto displays = services_.screenshots.displays();
    for (const auto& d : displays) {
        if (d.primary) {
            return d.frame.height();
        }
    }
    return displays.isEmpty() ? 0 : displays.first().frame.height();
}

QList<uint32_t> ScrollCaptureSvc::excludedWindows() const {
    QList<uint32_t> ids = services_.ownWindows ? services_.ownWindows() : QList<uint32_t>{};
    if (panel_) {
        if (const auto id = panel_->windowId(); id && *id >= 1) {
            ids << *id;
        }
    }
    return ids;
}

bool ScrollCaptureSvc::refuseIfRunning(Completion& completion) {
    if (!isRunning()) {
        return false;
    }
    logWarning(QStringLiteral("[ScrollCapture] 已有滾動截屏會話在進行中, 忽略新請求"));
    if (panel_) {
        panel_->bringToFront();
    }
    completion(std::nullopt);
    return true;
}

void ScrollCaptureSvc::begin(Completion completion) {
    completion_ = std::move(completion);
    ++request_;
    Q_EMIT runningChanged(true);
}

void ScrollCaptureSvc::withTrust(std::function<void(bool usable, bool accessibility)> next) {
    auto decide = [this, next = std::move(next)](bool trusted) {
        if (trusted) {
            next(true, true);
            return;
        }
        if (!services_.input.canPostEvents()) {
            logWarning(QStringLiteral("[ScrollCapture] 缺少輔助功能與事件合成權限, 無法自動滾動"));
            next(false, false);
            return;
        }
        logWarning(QStringLiteral("[ScrollCapture] 缺少輔助功能權限, 回退到窗口 heuristic + 滾輪事件"));
        next(true, false);
    };
    if (!services_.locator) {
        runOnMain([decide = std::move(decide)] { decide(false); });
        return;
    }
    const quint64 request = request_;
    services_.locator->checkTrust(true, [this, request, decide = std::move(decide)](bool trusted) {
        if (request == request_ && isRunning()) {
            decide(trusted);
        }
    });
}

void ScrollCaptureSvc::start(const std::optional<QString>& preferredApp, Completion completion) {
    if (refuseIfRunning(completion)) {
        return;
    }
    begin(std::move(completion));
    withTrust([this, preferredApp](bool usable, bool accessibility) {
        accessibility_ = accessibility;
        if (!usable) {
            finish(std::nullopt);
            return;
        }
        presentOverlay(preferredApp);
    });
}

void ScrollCaptureSvc::presentOverlay(const std::optional<QString>& preferredApp) {
    if (!overlay_ || overlay_->isBusy()) {
        logWarning(QStringLiteral("[RegionSelectionWindow] 已有覆蓋層在展示或在準備中, 忽略新請求"));
        finish(std::nullopt);
        return;
    }
    const quint64 request = request_;
    overlay_->present(
        SnapIntent::scroll, RegionKind::scroll, preferredApp, [this, request](OverlayOutcome outcome) {
            if (request != request_ || !isRunning()) {
                return;
            }
            switch (outcome.kind) {
            case OverlayOutcome::Kind::cancelled:
                finish(std::nullopt);
                return;
            case OverlayOutcome::Kind::region:
                startSession(outcome.displayId, outcome.rect);
                return;
            case OverlayOutcome::Kind::scroll:
                logWarning(QStringLiteral("[ScrollCapture] 收到 .cmdScroll 在內部 startSession, 不應該發生"));
                finish(std::nullopt);
                return;
            case OverlayOutcome::Kind::window: {
                Completion done = std::exchange(completion_, nullptr);
                Q_EMIT runningChanged(false);
                startWindow(outcome.windowId, std::move(done));
                return;
            }
            }
        });
}

void ScrollCaptureSvc::startRegion(uint32_t displayId, const QRect& rect, Completion completion) {
    if (refuseIfRunning(completion)) {
        return;
    }
    begin(std::move(completion));
    withTrust([this, displayId, rect](bool usable, bool accessibility) {
        accessibility_ = accessibility;
        if (!usable) {
            finish(std::nullopt);
            return;
        }
        startSession(displayId, rect);
    });
}

void ScrollCaptureSvc::startWindow(uint32_t windowId, Completion completion) {
    if (refuseIfRunning(completion)) {
        return;
    }
    begin(std::move(completion));
    withTrust([this, windowId](bool usable, bool accessibility) {
        accessibility_ = accessibility;
        if (!usable) {
            finish(std::nullopt);
            return;
        }
        const int ph = primaryHeight();
        std::optional<platform::WindowInfo> window;
        for (const auto& w : services_.windows.windowsFrontToBack()) {
            if (w.windowId == windowId) {
                window = w;
            }
        }
        const std::optional<QRect> content = window ? windowContentArea(*window, ph) : std::nullopt;
        if (!content) {
            logWarning(QStringLiteral("[ScrollCapture] 收到 .window 結果但無法換算內容區"));
            finish(std::nullopt);
            return;
        }
        const QRect frame = ScreenCaptureSvc::toDesktopSpace(window->frame, ph);
        const auto display = ScreenCaptureSvc::displayForRect(services_.screenshots.displays(), frame);
        const uint32_t displayId = display ? display->displayId : 0;
        // Without the page from the accessibility tree, the window's own bars are told from its
        // content by what stays put when it scrolls: the region then reaches the window's top
        // (desktop space grows upwards), and the shape's guess is kept for when that fails.
        const QRect whole(content->x(), content->y(), content->width(), frame.normalized().height());
        const int guessed = whole.height() - content->height();
        const int limit = std::max(guessed, whole.height() / 4);
        if (!accessibility_ || !services_.locator) {
            createSession(displayId, whole, std::nullopt, limit, guessed);
            return;
        }
        // The page itself, as the accessibility tree knows it, is a better content area than the
        // window's shape suggests: toolbars, tab strips and info bars differ between browsers.
        const quint64 request = request_;
        const bool browser = isBrowser(window->appId);
        services_.locator->locate(
            window->pid > 0 ? std::optional<qint64>(window->pid) : std::nullopt, centreOf(*content), frame,
            [this, request, displayId, frame, content, whole, limit, guessed,
             browser](std::optional<AccessibilityScrollTarget> t) {
                if (request != request_ || !isRunning()) {
                    return;
                }
                const std::optional<QRect> found =
                    t ? windowPage(*t, *content, frame, browser) : std::nullopt;
                if (!found) {
                    if (t) {
                        logInfo(QStringLiteral("[ScrollCapture] AX answered %1 %2, not the window's page: "
                                               "finding its content by motion")
                                    .arg(t->role, ScreenCaptureSvc::rectText(t->frame)));
                    }
                    createSession(displayId, whole, std::nullopt, limit, guessed);
                    return;
                }
                const QRect page = *found;
                if (page != *content) {
                    logInfo(QStringLiteral("[ScrollCapture] 使用 AX 內容區修正選區 ") +
                            ScreenCaptureSvc::rectText(*content) + QStringLiteral(" -> ") +
                            ScreenCaptureSvc::rectText(page));
                }
                // The element found is the scroll target: asking again at its centre would
                // answer the same after another round of calls to the browser.
                createSession(displayId, page, t);
            },
            AccessibilityScrollLocator::windowSearchTime);
    });
}

void ScrollCaptureSvc::startSession(uint32_t displayId, const QRect& region) {
    const QRect rect = integral(region);
    if (!accessibility_ || !services_.locator) {
        createSession(displayId, rect, std::nullopt);
        return;
    }
    const quint64 request = request_;
    services_.locator->locate(
        std::nullopt, centreOf(rect), rect.adjusted(-12, -12, 12, 12),
        [this, request, displayId, rect](std::optional<AccessibilityScrollTarget> target) {
            if (request != request_ || !isRunning()) {
                return;
            }
            std::optional<QRect> corrected =
                target ? accessibilityCorrection(rect, target->frame) : std::nullopt;
            if (!corrected || *corrected == rect) {
                createSession(displayId, rect, target);
                return;
            }
            logInfo(QStringLiteral("[ScrollCapture] 使用 AX 內容區修正選區 ") +
                    ScreenCaptureSvc::rectText(rect) + QStringLiteral(" -> ") +
                    ScreenCaptureSvc::rectText(*corrected));
            const QRect moved = *corrected;
            if (target->frame.contains(centreOf(moved))) {
                // The element that gave the corrected area is what a search at its centre finds.
                createSession(displayId, moved, target);
                return;
            }
            services_.locator->locate(
                std::nullopt, centreOf(moved), moved.adjusted(-12, -12, 12, 12),
                [this, request, displayId, moved](std::optional<AccessibilityScrollTarget> t) {
                    if (request == request_ && isRunning()) {
                        createSession(displayId, moved, t);
                    }
                });
        });
}

void ScrollCaptureSvc::createSession(uint32_t displayId, const QRect& rect,
                                     std::optional<AccessibilityScrollTarget> target, int trimLimit,
                                     int trimFallback) {
    std::optional<qint64> pid = ownerAt(services_.windows.windowsFrontToBack(), centreOf(rect),
                                        primaryHeight(), QCoreApplication::applicationPid());
    if (target && target->pid) {
        pid = target->pid;
    }
    ScrollSession::Services s{services_.screenshots, services_.input, services_.makeStream, nullptr};
    if (services_.locator) {
        AccessibilityScrollLocator* locator = services_.locator;
        s.focusTarget = [locator](const AccessibilityScrollTarget& t) { locator->focus(t); };
    }
    QPointer<ScrollCaptureSvc> self(this);
    auto holder = std::make_shared<QPointer<ScrollSession>>();
    auto* session = new ScrollSession(
        s, displayId, rect, [self] { return self ? self->excludedWindows() : QList<uint32_t>{}; },
        std::move(target), pid,
        [self, holder](std::optional<CaptureResult> result) {
            if (self && *holder) {
                self->sessionFinished(*holder, std::move(result));
            } else if (*holder) {
                (*holder)->deleteLater();
            }
        },
        this);
    *holder = session;
    session->setTiming(timing_);
    if (trimLimit > 0) {
        session->setTopTrim(trimLimit, trimFallback);
    }
    session_ = session;
    if (panel_) {
        panel_->show(rect, [self] {
            if (self) {
                self->cancel();
            }
        });
    }
    if (services_.escape) {
        services_.escape->start([self] {
            if (self) {
                self->cancel();
            }
        });
    }
    session->start();
}

void ScrollCaptureSvc::sessionFinished(ScrollSession* session, std::optional<CaptureResult> result) {
    // A cancelled session's late end: its request was already answered.
    session->deleteLater();
    if (session != session_) {
        return;
    }
    session_ = nullptr;
    Q_EMIT sessionEnded(session->frameCount());
    finish(std::move(result));
}

void ScrollCaptureSvc::cancel() {
    if (!isRunning()) {
        return;
    }
    if (session_) {
        session_->cancel();
        session_ = nullptr; // it finishes by itself and is deleted then
    }
    finish(std::nullopt);
}

void ScrollCaptureSvc::finish(std::optional<CaptureResult> result) {
    if (services_.escape) {
        services_.escape->stop();
    }
    if (panel_) {
        panel_->close();
    }
    ++request_;
    if (auto done = std::exchange(completion_, nullptr)) {
        Q_EMIT runningChanged(false);
        done(std::move(result));
    }
}

} // namespace mebo
