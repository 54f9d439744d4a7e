#include "ui/RegionSelectionWindow.h"

#include "app/AppLogger.h"
#include "capture/CaptureMgr.h"
#include "capture/ScreenCaptureSvc.h"
#include "capture/ShutterSoundPlayer.h"
#include "ui/NativeGeometry.h"
#include "ui/RegionOverlayWindow.h"
#include "ui/RegionSelectionView.h"

#include <QCursor>
#include <QGuiApplication>
#include <algorithm>

namespace mebo {

RegionSelectionWindow::RegionSelectionWindow(ScreenCaptureSvc& screenshots,
                                             platform::WindowServer& windowServer,
                                             platform::DefaultsStore& defaults, ShutterSoundPlayer& shutter,
                                             qint64 ownPid, QObject* parent)
    : QObject(parent), screenshots_(screenshots), windowServer_(windowServer), lastRegions_(defaults),
      shutter_(shutter), ownPid_(ownPid), clock_(&ShutterSoundPlayer::systemUptime) {}

RegionSelectionWindow::~RegionSelectionWindow() {
    for (const auto& w : windows_) {
        delete w.data();
    }
}

void RegionSelectionWindow::setClock(std::function<double()> clock) {
    clock_ = std::move(clock);
}

QList<RegionSelectionView*> RegionSelectionWindow::views() const {
    QList<RegionSelectionView*> out;
    for (const auto& w : windows_) {
        if (w) {
            out << w->view();
        }
    }
    return out;
}

RegionOverlayWindow* RegionSelectionWindow::keyboardWindow() const {
    for (const auto& w : windows_) {
        if (w && w->hasKeyboardGrab()) {
            return w;
        }
    }
    return nullptr;
}

QRect RegionSelectionWindow::boundsOf(const platform::DisplayInfo& d) const {
    // Desktop space to window space: the same flip about the primary display's height.
    return ScreenCaptureSvc::toDesktopSpace(d.frame, primaryHeight_);
}

void RegionSelectionWindow::pickColor(std::function<void(std::optional<QColor>)> done) {
    if (busy_) {
        logWarning(QStringLiteral("[RegionSelectionWindow] 已有覆蓋層在展示或在準備中, 忽略新請求"));
        return;
    }
    picking_ = true;
    present(SnapIntent::capture, RegionKind::area, std::nullopt,
            [this, done = std::move(done)](OverlayOutcome o) {
                picking_ = false;
                if (o.kind == OverlayOutcome::Kind::region && !o.image.isNull()) {
                    done(QColor(o.image.pixel(0, 0)));
                } else {
                    done(std::nullopt);
                }
            });
}

void RegionSelectionWindow::present(SnapIntent intent, RegionKind kind,
                                    const std::optional<QString>& preferredApp,
                                    std::function<void(OverlayOutcome)> done) {
    Q_UNUSED(preferredApp);
    if (busy_) {
        logWarning(QStringLiteral("[RegionSelectionWindow] 已有覆蓋層在展示或在準備中, 忽略新請求"));
        return;
    }
    busy_ = true;
    const quint64 generation = ++generation_;
    intent_ = intent;
    kind_ = kind;
    done_ = std::move(done);
    pictures_.clear();
    displays_ = screenshots_.displays();
    primaryHeight_ = 0;
    for (const auto& d : displays_) {
        if (d.primary) {
            primaryHeight_ = d.frame.height();
        }
    }
    if (primaryHeight_ == 0 && !displays_.isEmpty()) {
        primaryHeight_ = displays_.first().frame.height();
    }
    if (displays_.isEmpty()) {
        deliver(OverlayOutcome{});
        return;
    }
    // Every display is grabbed before any overlay window exists, so none of ours is in a picture.
    pendingGrabs_ = int(displays_.size());
    QPointer<RegionSelectionWindow> self(this);
    for (const auto& d : displays_) {
        const uint32_t id = d.displayId;
        screenshots_.captureFullDisplay(id, [self, generation, id](std::optional<QImage> image) {
            if (self) {
                self->grabbed(generation, id, std::move(image));
            }
        });
    }
}

void RegionSelectionWindow::grabbed(quint64 generation, uint32_t displayId, std::optional<QImage> image) {
    if (generation != generation_ || !busy_) {
        return;
    }
    if (image && !image->isNull()) {
        pictures_.insert(displayId, std::move(*image));
    }
    if (--pendingGrabs_ > 0) {
        return;
    }
    if (pictures_.isEmpty()) {
        // The screenshot service has logged why; nothing can be selected without a picture.
        deliver(OverlayOutcome{});
        return;
    }
    // The frozen picture goes on the screen at once; the window list (several round trips to the
    // server) follows, and snapping starts when it is in.
    showOverlays(generation);
    QPointer<RegionSelectionWindow> self(this);
    screenshots_.listShareableWindows([self, generation](QList<platform::WindowInfo> windows) {
        if (self) {
            self->windowsListed(generation, windows);
        }
    });
}

void RegionSelectionWindow::windowsListed(quint64 generation, const QList<platform::WindowInfo>& windows) {
    if (generation != generation_ || !busy_ || !snapper_) {
        return;
    }
    snapper_->setCandidates(windows);
    for (RegionSelectionView* view : views()) {
        view->hoverAtPointer();
    }
}

void RegionSelectionWindow::showOverlays(quint64 generation) {
    if (generation != generation_ || !busy_) {
        return;
    }
    snapper_ = std::make_unique<WindowSnapper>(windowServer_, ownPid_, clock_);
    if (contentQuery_ && intent_ != SnapIntent::window && !picking_) {
        QPointer<RegionSelectionWindow> self(this);
        snapper_->setContentQuery(contentQuery_, isBrowser_, [self, generation] {
            if (!self || generation != self->generation_) {
                return;
            }
            for (RegionSelectionView* view : self->views()) {
                view->hoverAtPointer();
            }
        });
    }

    // The remembered rectangle is offered on the display holding it; a window capture starts
    // from the windows instead.
    std::optional<uint32_t> lastDisplay;
    std::optional<QRect> lastRect;
    if (intent_ != SnapIntent::window && !picking_) {
        if (const auto desktop = lastRegions_.recall(kind_)) {
            if (const auto d = ScreenCaptureSvc::displayForRect(displays_, *desktop);
                d && d->frame.intersects(*desktop)) {
                lastDisplay = d->displayId;
                lastRect = ScreenCaptureSvc::toDesktopSpace(*desktop, primaryHeight_);
            }
        }
    }

    QPoint primaryOrigin;
    for (const auto& d : displays_) {
        if (d.primary) {
            primaryOrigin = d.nativeFrame.topLeft();
        }
    }
    const QPoint cursor = QCursor::pos();
    RegionOverlayWindow* keyWindow = nullptr;
    for (const auto& d : displays_) {
        if (!pictures_.contains(d.displayId)) {
            continue;
        }
        const QRect bounds = boundsOf(d);
        auto* view = new RegionSelectionView(d, bounds, pictures_.value(d.displayId), snapper_.get());
        RegionSelectionModel& model = view->model();
        model = RegionSelectionModel(bounds, intent_);
        model.setAllowsWindowSnap(allowsWindowSnap_ && !picking_);
        model.setPicksPoint(picking_);
        model.setRecordingArea(kind_ == RegionKind::record);
        // Area captures may switch to a scroll capture of their selection.
        model.setScrollShortcutEnabled(scrollShortcut_ && intent_ == SnapIntent::area &&
                                       kind_ == RegionKind::area);
        if (lastRect && lastDisplay == d.displayId) {
            model.preselect(*lastRect);
        }
        // X11 root pixels to Qt's logical pixels, screen by screen; without a native frame,
        // window space is the root with the primary display at its origin.
        const QRect native = d.nativeFrame.isEmpty() ? bounds.translated(primaryOrigin) : d.nativeFrame;
        const QRect geometry = NativeGeometry::toLogical(native);
        auto* window = new RegionOverlayWindow(view, geometry);
        view->onFinished = [this, view](const RegionSelectionModel::Finish& f) { viewFinished(view, f); };
        view->onSelectionTaken = [this, view] { selectionTaken(view); };
        window->onKey = [this](int key, Qt::KeyboardModifiers mods) { return routeKey(key, mods); };
        windows_ << window;
        if (geometry.contains(cursor)) {
            keyWindow = window;
            // The window's logical pixels and the display's points need not have one scale.
            const QPoint local = cursor - geometry.topLeft();
            const QPoint at =
                bounds.topLeft() + QPoint(local.x() * bounds.width() / std::max(1, geometry.width()),
                                          local.y() * bounds.height() / std::max(1, geometry.height()));
            model.mouseMove(at);
        }
        view->refresh();
    }
    for (const auto& w : windows_) {
        w->show();
    }
    if (!keyWindow && !windows_.isEmpty()) {
        keyWindow = windows_.first();
    }
    if (keyWindow) {
        keyWindow->takeKeyboard();
    }
}

void RegionSelectionWindow::selectionTaken(RegionSelectionView* view) {
    // One selection across all displays.
    for (RegionSelectionView* other : views()) {
        if (other != view) {
            other->clearSelection();
        }
    }
}

bool RegionSelectionWindow::routeKey(int key, Qt::KeyboardModifiers modifiers) {
    const QList<RegionSelectionView*> all = views();
    if (all.isEmpty()) {
        return false;
    }
    // The key goes to the display holding the selection; Escape ends the whole overlay anyway.
    RegionSelectionView* target = all.first();
    for (RegionSelectionView* v : all) {
        if (v->model().selection()) {
            target = v;
            break;
        }
    }
    return target->applyKey(key, modifiers);
}

void RegionSelectionWindow::viewFinished(RegionSelectionView* view, const RegionSelectionModel::Finish& f) {
    if (!busy_) {
        return;
    }
    OverlayOutcome outcome;
    switch (f.kind) {
    case RegionSelectionModel::Finish::Kind::cancelled:
        deliver(outcome);
        return;
    case RegionSelectionModel::Finish::Kind::region:
        outcome.kind = OverlayOutcome::Kind::region;
        break;
    case RegionSelectionModel::Finish::Kind::scroll:
        outcome.kind = OverlayOutcome::Kind::scroll;
        break;
    case RegionSelectionModel::Finish::Kind::window:
        outcome.kind = OverlayOutcome::Kind::window;
        outcome.windowId = f.snap ? f.snap->windowId : 0;
        outcome.title = f.snap ? std::optional<QString>(f.snap->title) : std::nullopt;
        break;
    }
    outcome.displayId = view->display().displayId;
    outcome.rect = ScreenCaptureSvc::toDesktopSpace(f.rect.normalized(), primaryHeight_);
    outcome.image = view->cut(f.rect);
    lastRegions_.remember(kind_, outcome.rect);
    if (f.byKeyboard && (!shutterEnabled_ || shutterEnabled_())) {
        shutter_.play(CaptureMgr::shutterMinIntervalSec);
    }
    deliver(std::move(outcome));
}

void RegionSelectionWindow::closeWindows() {
    // Called from inside a view's event handler: the windows go at the next turn of the loop.
    for (const auto& w : windows_) {
        if (w) {
            w->view()->detach();
            w->onKey = nullptr;
            w->releaseKeyboardGrab();
            w->hide();
            w->deleteLater();
        }
    }
    windows_.clear();
}

void RegionSelectionWindow::deliver(OverlayOutcome outcome) {
    closeWindows();
    pictures_.clear();
    busy_ = false;
    ++generation_;
    if (auto done = std::exchange(done_, nullptr)) {
        done(std::move(outcome));
    }
}

} // namespace mebo
