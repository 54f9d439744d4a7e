#include "capture/CaptureMgr.h"

#include "app/AppLogger.h"
#include "app/Cfg.h"
#include "capture/CaptureLog.h"
#include "capture/ClipboardSvc.h"
#include "capture/ImageStore.h"
#include "capture/LastRegionStore.h"
#include "capture/MainWindowLink.h"
#include "capture/ScreenCaptureSvc.h"
#include "capture/ShutterSoundPlayer.h"
#include "library/HistoryStore.h"
#include "platform/Dialogs.h"
#include "platform/PointerLocator.h"
#include "platform/Workspace.h"
#include "scroll/ScrollCaptureSvc.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QUuid>
#include <algorithm>

namespace mebo {

CaptureMgr::CaptureMgr(Cfg& cfg, ScreenCaptureSvc& screenshots, ImageStore& images, ClipboardSvc& clipboard,
                       ShutterSoundPlayer& shutter, HistoryStore& history, MainWindowLink& mainWindow,
                       RegionOverlay* overlay, platform::Dialogs& dialogs, platform::Workspace& workspace,
                       platform::PointerLocator& pointer, QObject* parent)
    : QObject(parent), cfg_(cfg), screenshots_(screenshots), images_(images), clipboard_(clipboard),
      shutter_(shutter), history_(history), mainWindow_(mainWindow), overlay_(overlay), dialogs_(dialogs),
      workspace_(workspace), pointer_(pointer), quit_([] { QCoreApplication::quit(); }) {}

QString CaptureMgr::permissionAlertTitle() {
    return QStringLiteral("Screen Recording Permission Required");
}

QString CaptureMgr::permissionAlertText() {
    return QStringLiteral(
        "Mebo needs Screen Recording permission to capture screenshots. Please make sure the display named "
        "in "
        "DISPLAY is reachable and that XAUTHORITY allows access to it.\n\n"
        "If you've already granted access, please quit and reopen Mebo — Linux only applies a new DISPLAY or "
        "XAUTHORITY to newly launched apps.");
}

QStringList CaptureMgr::permissionAlertButtons() {
    return {QStringLiteral("Open Settings"), QStringLiteral("Quit & Reopen"), QStringLiteral("Cancel")};
}

QUrl CaptureMgr::accessSettingsUrl() {
    return QUrl(QStringLiteral("https://www.x.org/releases/current/doc/man/man7/Xsecurity.7.xhtml"));
}

void CaptureMgr::setCaptureActive(bool active) {
    if (captureActive_ == active) {
        return;
    }
    captureActive_ = active;
    Q_EMIT captureActiveChanged(active);
}

void CaptureMgr::hideMainWindowForCapture() {
    if (!mainWindow_.isMainWindowVisible()) {
        return;
    }
    mainWindow_.setRememberedFrame(mainWindow_.mainWindowFrame());
    mainWindow_.setCaptureInProgress(true);
    mainWindow_.hideMainWindow();
}

void CaptureMgr::restoreMainWindow() {
    if (mainWindow_.captureInProgress()) {
        mainWindow_.setCaptureInProgress(false);
        mainWindow_.showMainWindow();
        if (const auto frame = mainWindow_.rememberedFrame()) {
            mainWindow_.setMainWindowFrame(*frame);
        }
    }
    mainWindow_.setRememberedFrame(std::nullopt);
}

void CaptureMgr::abandon(CaptureMode mode) {
    setCaptureActive(false);
    restoreMainWindow();
    reportAbandoned(mode);
}

void CaptureMgr::reportAbandoned(CaptureMode mode) {
    CaptureResult none;
    none.mode = mode;
    none.captureDate = QDateTime::currentDateTime();
    Q_EMIT stillCaptureFinished(false, QString(), QString(), none);
}

void CaptureMgr::start(const CaptureRequest& request) {
    if (countdownLeft_ > 0) {
        logWarning(QStringLiteral("[CaptureMgr] a delayed capture is already counting down; mode=") +
                   captureModeRawValue(request.mode) + QStringLiteral(" ignored"));
        return;
    }
    // Reading the shareable content is the permission test: on X11 it fails when the display
    // cannot be opened or read.
    platform::ContentQuery query;
    query.excludeDesktopWindows = true;
    query.onScreenWindowsOnly = true;
    query.includeWindows = false; // only whether the screen can be read matters here
    QPointer<CaptureMgr> self(this);
    screenshots_.shareableContent(query, [self, request](Result<platform::ShareableContent> content) {
        if (!self) {
            return;
        }
        if (!content) {
            logWarning(QStringLiteral("[Permission] SCShareableContent 失敗 (推斷無權限): ") +
                       content.error());
            self->onPermissionDenied(request.mode);
            return;
        }
        // The wait lets a hidden main window leave the screen; with nothing hidden there is
        // nothing to wait for. The timer belongs to the coordinator: destroying it cancels it.
        const int delayMs = self->mainWindow_.captureInProgress() ? settleDelayMs : 0;
        const int seconds = std::clamp(
            request.delaySeconds.value_or(self->defaultDelay_ ? self->defaultDelay_() : 0), 0, 3600);
        if (seconds > 0) {
            logInfo(QStringLiteral("[CaptureMgr] capture in %1 s").arg(seconds));
            self->countdownLeft_ = seconds;
            Q_EMIT self->countdown(seconds);
            QTimer::singleShot(1000, self.data(), [self, request] { self->tick(request); });
            return;
        }
        QTimer::singleShot(delayMs, self.data(), [self, request] { self->dispatch(request); });
    });
    // The application in front is looked up while the worker reads the screen (its answer comes
    // back through this thread's queue, after this).
    if (frontmostAppProvider_) {
        preCaptureFrontmostAppId_ = frontmostAppProvider_();
    }
    logInfo(CaptureLog::started(captureModeRawValue(request.mode), captureSourceRawValue(request.source),
                                preCaptureFrontmostAppId_.value_or(QStringLiteral("nil"))));
    setCaptureActive(true);
    hideMainWindowForCapture();
}

void CaptureMgr::onPermissionDenied(CaptureMode mode) {
    logWarning(QStringLiteral("[CaptureMgr] 缺少屏幕錄製權限, 引導用戶授權"));
    setCaptureActive(false);
    restoreMainWindow();
    if (!permissionAlertShownThisSession_) {
        permissionAlertShownThisSession_ = true;
        showPermissionAlert();
    }
    reportAbandoned(mode);
}

void CaptureMgr::showPermissionAlert() {
    QPointer<CaptureMgr> self(this);
    dialogs_.alert(permissionAlertTitle(), permissionAlertText(), permissionAlertButtons(),
                   [self](int button) {
                       if (!self) {
                           return;
                       }
                       if (button == 0) {
                           self->openAccessSettings();
                       } else if (button == 1) {
                           self->relaunch();
                       }
                   });
}

void CaptureMgr::openAccessSettings() {
    const QUrl url = accessSettingsUrl();
    if (!workspace_.openUrl(url)) {
        logWarning(QStringLiteral("[CaptureMgr] 無法打開設定頁面: ") + url.toString());
    }
}

void CaptureMgr::relaunch() {
    QString error;
    if (!workspace_.relaunch(&error)) {
        logError(QStringLiteral("[CaptureMgr] relaunch 失敗: ") + error);
        return;
    }
    QTimer::singleShot(relaunchQuitDelayMs, this, [this] { quit_(); });
}

void CaptureMgr::tick(const CaptureRequest& request) {
    --countdownLeft_;
    Q_EMIT countdown(countdownLeft_);
    if (countdownLeft_ > 0) {
        QPointer<CaptureMgr> self(this);
        QTimer::singleShot(1000, this, [self, request] {
            if (self) {
                self->tick(request);
            }
        });
        return;
    }
    dispatch(request);
}

void CaptureMgr::dispatchTarget(const CaptureRequest& request) {
    CaptureRequest concrete = request;
    concrete.target = CaptureRequest::Target::chosen;
    if (request.target == CaptureRequest::Target::lastRegion) {
        concrete.mode = CaptureMode::area;
        concrete.areaRect = LastRegionStore(cfg_.defaults()).recall(RegionKind::area);
        if (!concrete.areaRect) {
            logInfo(QStringLiteral("[CaptureMgr] no area selected yet: the overlay opens"));
        }
    } else {
        concrete.mode = CaptureMode::window;
        concrete.windowId = activeWindowProvider_ ? activeWindowProvider_() : std::nullopt;
        if (!concrete.windowId) {
            logInfo(QStringLiteral("[CaptureMgr] no window in front: the overlay opens"));
        }
    }
    dispatch(concrete);
}

void CaptureMgr::dispatch(const CaptureRequest& request) {
    if (request.target != CaptureRequest::Target::chosen) {
        dispatchTarget(request);
        return;
    }
    switch (request.mode) {
    case CaptureMode::fullscreen:
        captureFullscreen(request);
        return;
    case CaptureMode::area:
        if (request.areaPixels && request.displayId) {
            screenshots_.capturePixels(*request.displayId, *request.areaPixels,
                                       displayGrabDone(request.mode, *request.displayId));
        } else if (request.areaRect) {
            uint32_t displayId = 0;
            if (request.displayId) {
                displayId = *request.displayId;
            } else if (auto d =
                           ScreenCaptureSvc::displayForRect(screenshots_.displays(), *request.areaRect)) {
                displayId = d->displayId;
            }
            captureArea(request.mode, displayId, *request.areaRect);
        } else {
            presentOverlay(request.mode, SnapIntent::area);
        }
        return;
    case CaptureMode::window:
        if (request.windowId) {
            captureWindow(request.mode, *request.windowId);
        } else {
            presentOverlay(request.mode, SnapIntent::window);
        }
        return;
    case CaptureMode::recordArea:
        if (recordAreaStarter_) {
            presentOverlay(request.mode, SnapIntent::area, RegionKind::record);
            return;
        }
        break;
    case CaptureMode::scroll:
        if (scroll_) {
            captureScroll(request);
            return;
        }
        break;
    case CaptureMode::record:
        if (recording_.recorder && sourcePicker_) {
            presentSourcePicker();
            return;
        }
        // Without the desktop shell's picker: the display under the pointer.
        if (recording_.recorder) {
            startRecording(RecordingTarget::display(displayUnderPointer()), request.mode);
            return;
        }
        break;
    }
    logWarning(QStringLiteral("[CaptureMgr] mode=") + captureModeRawValue(request.mode) +
               QStringLiteral(" is not available in this build"));
    abandon(request.mode);
}

QString CaptureMgr::cancelLine(CaptureMode mode) {
    return mode == CaptureMode::recordArea ? QStringLiteral("[CaptureMgr] 錄影選區取消")
                                           : QStringLiteral("[CaptureMgr] 區域截屏取消");
}

uint32_t CaptureMgr::displayUnderPointer() const {
    const auto displays = screenshots_.displays();
    if (const auto point = pointer_.location()) {
        for (const auto& d : displays) {
            if (d.frame.contains(*point)) {
                return d.displayId;
            }
        }
    }
    for (const auto& d : displays) {
        if (d.primary) {
            return d.displayId;
        }
    }
    return displays.isEmpty() ? 0 : displays.first().displayId;
}

void CaptureMgr::captureFullscreen(const CaptureRequest& request) {
    const uint32_t displayId = request.displayId ? *request.displayId : displayUnderPointer();
    const CaptureMode mode = request.mode;
    screenshots_.captureFullDisplay(displayId, displayGrabDone(mode, displayId));
}

void CaptureMgr::captureArea(CaptureMode mode, uint32_t displayId, const QRect& rect) {
    screenshots_.captureArea(displayId, rect, displayGrabDone(mode, displayId));
}

std::function<void(std::optional<QImage>)> CaptureMgr::displayGrabDone(CaptureMode mode, uint32_t displayId) {
    // Runs after the grab; the coordinator may be gone by then.
    QPointer<CaptureMgr> self(this);
    return [self, mode, displayId](std::optional<QImage> image) {
        if (!self) {
            return;
        }
        if (!image) {
            self->abandon(mode);
            return;
        }
        self->handleResult(
            CaptureResult{std::move(*image), mode, QDateTime::currentDateTime(), displayId, std::nullopt});
    };
}

void CaptureMgr::captureWindow(CaptureMode mode, uint32_t windowId) {
    QPointer<CaptureMgr> self(this);
    screenshots_.captureWindow(windowId, [self, mode](std::optional<ScreenCaptureSvc::WindowCapture> window) {
        if (!self) {
            return;
        }
        if (!window) {
            self->abandon(mode);
            return;
        }
        self->handleResult(CaptureResult{std::move(window->image), mode, QDateTime::currentDateTime(),
                                         std::nullopt, window->title});
    });
}

void CaptureMgr::presentOverlay(CaptureMode mode, SnapIntent intent, RegionKind kind) {
    if (!overlay_) {
        logWarning(QStringLiteral("[CaptureMgr] region overlay unavailable: cannot select an area or window "
                                  "interactively"));
        abandon(mode);
        return;
    }
    if (overlay_->isBusy()) {
        logWarning(QStringLiteral("[RegionSelectionWindow] 已有覆蓋層在展示或在準備中, 忽略新請求"));
        logInfo(cancelLine(mode));
        abandon(mode);
        return;
    }
    QPointer<CaptureMgr> self(this);
    overlay_->present(intent, kind, preCaptureFrontmostAppId_, [self, mode](OverlayOutcome outcome) {
        if (!self) {
            return;
        }
        switch (outcome.kind) {
        case OverlayOutcome::Kind::cancelled:
            logInfo(cancelLine(mode));
            self->abandon(mode);
            return;
        case OverlayOutcome::Kind::region:
            if (mode == CaptureMode::recordArea) {
                self->recordAreaStarter_(outcome.displayId, outcome.rect);
                return;
            }
            if (!outcome.image.isNull()) {
                self->handleResult(CaptureResult{std::move(outcome.image), mode, QDateTime::currentDateTime(),
                                                 outcome.displayId, std::nullopt});
            } else {
                self->captureArea(mode, outcome.displayId, outcome.rect);
            }
            return;
        case OverlayOutcome::Kind::scroll:
            // The overlay's scroll shortcut: the selection becomes a scroll capture.
            if (self->scroll_) {
                CaptureRequest scroll;
                scroll.mode = CaptureMode::scroll;
                scroll.displayId = outcome.displayId;
                scroll.areaRect = outcome.rect;
                self->captureScroll(scroll);
            } else {
                self->captureArea(mode, outcome.displayId, outcome.rect);
            }
            return;
        case OverlayOutcome::Kind::window:
            if (!outcome.image.isNull()) {
                self->handleResult(CaptureResult{std::move(outcome.image), mode, QDateTime::currentDateTime(),
                                                 std::nullopt, outcome.title});
            } else {
                self->captureWindow(mode, outcome.windowId);
            }
            return;
        }
    });
}

void CaptureMgr::captureScroll(const CaptureRequest& request) {
    // The scroll capture service logs why a capture ends without an image.
    QPointer<CaptureMgr> self(this);
    auto done = [self, mode = request.mode](std::optional<CaptureResult> result) {
        if (!self) {
            return;
        }
        if (result) {
            self->handleResult(*result);
        } else {
            self->abandon(mode);
        }
    };
    if (request.windowId) {
        scroll_->startWindow(*request.windowId, done);
    } else if (request.areaRect) {
        uint32_t displayId = 0;
        if (request.displayId) {
            displayId = *request.displayId;
        } else if (auto d = ScreenCaptureSvc::displayForRect(screenshots_.displays(), *request.areaRect)) {
            displayId = d->displayId;
        }
        scroll_->startRegion(displayId, *request.areaRect, done);
    } else {
        scroll_->start(preCaptureFrontmostAppId_, done);
    }
}

void CaptureMgr::handleResult(const CaptureResult& result) {
    logInfo(CaptureLog::resultHandled(captureModeRawValue(result.mode), result.image.size()));
    setCaptureActive(false);
    if (cfg_.playShutterSound()) {
        shutter_.play(shutterMinIntervalSec);
    }

    const std::optional<QString> path = images_.write(result);
    if (!path) {
        logError(QStringLiteral("[CaptureMgr] ImageStore 寫盤失敗"));
        restoreMainWindow();
        Q_EMIT stillCaptureFinished(false, QString(), QString(), result);
        return;
    }

    // One id for the editor's item and the history entry.
    const QString itemId = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    mainWindow_.openNewCapture(*path, itemId, result);
    if (cfg_.copyToClipboard()) {
        clipboard_.copyCapture(result);
    }
    history_.add(*path, result, itemId);
    Q_EMIT stillCaptureFinished(true, *path, itemId, result);
}

} // namespace mebo
