#include "capture/ScreenCaptureSvc.h"

#include "app/AppLogger.h"
#include "app/MainThread.h"
#include "capture/CaptureLog.h"
#include "capture/CaptureScale.h"
#include "platform/WindowServer.h"

#include <QCoreApplication>
#include <QHash>
#include <algorithm>
#include <climits>
#include <cmath>

namespace mebo {

namespace {

QString sizeText(const QSize& s) {
    return QStringLiteral("%1×%2").arg(s.width()).arg(s.height());
}

std::optional<platform::DisplayInfo> findDisplay(const QList<platform::DisplayInfo>& displays, uint32_t id) {
    for (const auto& d : displays) {
        if (d.displayId == id) {
            return d;
        }
    }
    return std::nullopt;
}

std::optional<platform::DisplayInfo> primaryDisplay(const QList<platform::DisplayInfo>& displays) {
    for (const auto& d : displays) {
        if (d.primary) {
            return d;
        }
    }
    return std::nullopt;
}

// Half-open, as screen frames tile the desktop: a point on a shared edge belongs to one screen.
bool frameContains(const QRect& frame, double x, double y) {
    return x >= frame.x() && x < frame.x() + frame.width() && y >= frame.y() &&
           y < frame.y() + frame.height();
}

platform::ContentQuery contentQuery(bool excludeDesktopWindows, bool includeWindows = true) {
    platform::ContentQuery q;
    q.excludeDesktopWindows = excludeDesktopWindows;
    q.onScreenWindowsOnly = true;
    q.includeWindows = includeWindows;
    return q;
}

} // namespace

ScreenCaptureSvc::ScreenCaptureSvc(platform::ScreenCapture& capture, platform::WindowServer& windowServer)
    : capture_(capture), windowServer_(windowServer) {}

QList<platform::DisplayInfo> ScreenCaptureSvc::displays() const {
    return capture_.displays();
}

void ScreenCaptureSvc::shareableContent(const platform::ContentQuery& query,
                                        Completion<platform::ShareableContent> done) {
    capture_.shareableContent(query, std::move(done));
}

int ScreenCaptureSvc::displayScale(const QList<platform::DisplayInfo>& displays, uint32_t displayId) {
    if (auto d = findDisplay(displays, displayId)) {
        return int(d->scale);
    }
    if (auto p = primaryDisplay(displays)) {
        return int(p->scale);
    }
    return 2;
}

QRect ScreenCaptureSvc::cropRect(const QRect& rect, const QRect& frame, double scale, int imageHeight) {
    const double x = scale * (rect.x() - frame.x());
    const double y = imageHeight - scale * (rect.y() - frame.y()) - scale * rect.height();
    const double w = scale * rect.width();
    const double h = scale * rect.height();
    // Outward to whole pixels, so a fractional edge never cuts off part of the selection.
    const int left = int(std::floor(x));
    const int top = int(std::floor(y));
    const int right = int(std::ceil(x + w));
    const int bottom = int(std::ceil(y + h));
    return QRect(left, top, right - left, bottom - top);
}

std::optional<platform::DisplayInfo>
ScreenCaptureSvc::displayForRect(const QList<platform::DisplayInfo>& displays, const QRect& rect) {
    const double cx = rect.x() + rect.width() / 2.0;
    const double cy = rect.y() + rect.height() / 2.0;
    for (const auto& d : displays) {
        if (frameContains(d.frame, cx, cy)) {
            return d;
        }
    }
    for (const auto& d : displays) {
        if (d.frame.intersects(rect)) {
            return d;
        }
    }
    if (auto p = primaryDisplay(displays)) {
        return p;
    }
    if (!displays.isEmpty()) {
        return displays.first();
    }
    return std::nullopt;
}

QRect ScreenCaptureSvc::toDesktopSpace(const QRect& windowFrame, int primaryHeight) {
    return QRect(windowFrame.x(), primaryHeight - windowFrame.y() - windowFrame.height(), windowFrame.width(),
                 windowFrame.height());
}

bool ScreenCaptureSvc::isSnapCandidate(const platform::WindowInfo& w, qint64 ownPid) {
    const bool owned = !w.appId.isEmpty() || w.pid != 0;
    const bool bigEnough = w.frame.width() >= 20 && w.frame.height() >= 20;
    const bool shellWindow = w.type == platform::WindowType::Dock ||
                             w.type == platform::WindowType::Desktop ||
                             w.type == platform::WindowType::Notification;
    // The overlay and panels of this process sit over everything; snapping to them is useless.
    const bool ours = ownPid != 0 && w.pid == ownPid;
    return owned && bigEnough && !shellWindow && !ours;
}

QList<platform::WindowInfo>
ScreenCaptureSvc::orderFrontToBack(QList<platform::WindowInfo> windows,
                                   const QList<platform::WindowInfo>& frontToBack) {
    QHash<uint32_t, int> position;
    for (int i = 0; i < frontToBack.size(); ++i) {
        if (!position.contains(frontToBack[i].windowId)) {
            position.insert(frontToBack[i].windowId, i);
        }
    }
    std::stable_sort(windows.begin(), windows.end(),
                     [&](const platform::WindowInfo& a, const platform::WindowInfo& b) {
                         return position.value(a.windowId, INT_MAX) < position.value(b.windowId, INT_MAX);
                     });
    return windows;
}

QString ScreenCaptureSvc::rectText(const QRect& r) {
    return QStringLiteral("(%1, %2, %3, %4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

void ScreenCaptureSvc::captureFullDisplay(uint32_t displayId, ImageDone done) {
    // The grab itself tells whether the screen can be read (a capture's start has probed it
    // already), so only the monitor layout is read before it: no extra round trip to the worker.
    const auto screens = capture_.displays();
    const auto display = findDisplay(screens, displayId);
    if (!display) {
        logError(QStringLiteral("[ScreenCapture] 找不到 display %1").arg(displayId));
        runOnMain([done = std::move(done)] { done(std::nullopt); });
        return;
    }
    const int scale = displayScale(screens, displayId);
    const QSize pixelSize(display->frame.width() * scale, display->frame.height() * scale);
    capture_.captureDisplay(
        displayId, pixelSize, false, [displayId, scale, done = std::move(done)](Result<QImage> image) {
            if (!image || image.value().isNull()) {
                const QString why = image ? QStringLiteral("empty image") : image.error();
                logError(QStringLiteral("[ScreenCapture] captureFullDisplay 失敗: ") + why);
                done(std::nullopt);
                return;
            }
            logSuccess(CaptureLog::displayGrabbed(image.value().size(), displayId));
            // Kept by every crop. The X11 backend has set it already: setting the same density
            // again costs nothing, while a new one copies the shared pixels.
            QImage tagged = image.value();
            CaptureScale::tag(tagged, scale);
            done(std::move(tagged));
        });
}

void ScreenCaptureSvc::captureArea(uint32_t displayId, const QRect& rect, ImageDone done) {
    captureFullDisplay(displayId, [this, displayId, rect,
                                   done = std::move(done)](std::optional<QImage> full) {
        if (!full) {
            done(std::nullopt);
            return;
        }
        const auto screens = capture_.displays();
        const auto screen = findDisplay(screens, displayId);
        if (!screen) {
            logError(QStringLiteral("[ScreenCapture] 找不到 NSScreen for display %1").arg(displayId));
            done(std::nullopt);
            return;
        }
        // The same integral scale the full grab was made at, so the crop lands on the grab.
        const QRect crop = cropRect(rect, screen->frame, displayScale(screens, displayId), full->height());
        const QRect clipped = crop.intersected(full->rect());
        if (crop.isEmpty() || clipped.isEmpty()) {
            logError(QStringLiteral("[ScreenCapture] 裁剪失敗 cropRect=") + rectText(crop) +
                     QStringLiteral(" imageSize=") + sizeText(full->size()));
            done(std::nullopt);
            return;
        }
        QImage image = full->copy(clipped);
        logSuccess(CaptureLog::areaCut(image.size(), crop));
        done(std::move(image));
    });
}

void ScreenCaptureSvc::capturePixels(uint32_t displayId, const QRect& pixels, ImageDone done) {
    captureFullDisplay(displayId, [pixels, done = std::move(done)](std::optional<QImage> full) {
        if (!full) {
            done(std::nullopt);
            return;
        }
        const QRect clipped = pixels.intersected(full->rect());
        if (clipped.isEmpty()) {
            logError(QStringLiteral("[ScreenCapture] 裁剪失敗 cropRect=") + rectText(pixels) +
                     QStringLiteral(" imageSize=") + sizeText(full->size()));
            done(std::nullopt);
            return;
        }
        QImage image = full->copy(clipped);
        logSuccess(CaptureLog::areaCut(image.size(), clipped));
        done(std::move(image));
    });
}

void ScreenCaptureSvc::captureWindow(uint32_t windowId, WindowDone done) {
    capture_.shareableContent(contentQuery(false), [this, windowId, done = std::move(done)](
                                                       Result<platform::ShareableContent> content) {
        if (!content) {
            logError(QStringLiteral("[ScreenCapture] captureWindow 失敗: ") + content.error());
            done(std::nullopt);
            return;
        }
        const auto it =
            std::find_if(content->windows.begin(), content->windows.end(),
                         [windowId](const platform::WindowInfo& w) { return w.windowId == windowId; });
        if (it == content->windows.end()) {
            logError(QStringLiteral("[ScreenCapture] 找不到 window %1").arg(windowId));
            done(std::nullopt);
            return;
        }
        const platform::WindowInfo window = *it;
        const auto screens = capture_.displays();
        const auto primary = primaryDisplay(screens);
        const int primaryHeight = primary             ? primary->frame.height()
                                  : screens.isEmpty() ? 0
                                                      : screens.first().frame.height();
        const QRect frame = toDesktopSpace(window.frame, primaryHeight);
        const auto screen = displayForRect(screens, frame);
        const QRect visible = screen ? frame.intersected(screen->frame) : QRect();
        if (visible.isEmpty()) {
            logError(QStringLiteral("[ScreenCapture] 找不到 window %1 所在顯示器").arg(windowId));
            done(std::nullopt);
            return;
        }
        captureArea(screen->displayId, visible, [title = window.title, done](std::optional<QImage> image) {
            if (!image) {
                done(std::nullopt);
                return;
            }
            done(WindowCapture{std::move(*image), title});
        });
    });
}

void ScreenCaptureSvc::listShareableWindows(WindowListDone done) {
    capture_.shareableContent(
        contentQuery(true), [this, done = std::move(done)](Result<platform::ShareableContent> content) {
            if (!content) {
                logError(QStringLiteral("[ScreenCapture] listShareableWindows 失敗: ") + content.error());
                done({});
                return;
            }
            const qint64 ownPid = QCoreApplication::applicationPid();
            QList<platform::WindowInfo> kept;
            for (const auto& w : content->windows) {
                if (isSnapCandidate(w, ownPid)) {
                    kept << w;
                }
            }
            done(orderFrontToBack(std::move(kept), windowServer_.windowsFrontToBack()));
        });
}

} // namespace mebo
