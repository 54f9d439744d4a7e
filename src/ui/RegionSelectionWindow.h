#pragma once

#include "capture/LastRegionStore.h"
#include "capture/RegionOverlay.h"
#include "capture/RegionSelectionModel.h"
#include "capture/WindowSnapper.h"
#include "platform/Display.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>

namespace mebo {

namespace platform {
class DefaultsStore;
class WindowServer;
} // namespace platform

class RegionOverlayWindow;
class RegionSelectionView;
class ScreenCaptureSvc;
class ShutterSoundPlayer;

// The region selection overlay on the desktop. A presentation first grabs every display once
// (nothing of the overlay can be in those pictures), lists the windows it may snap to, and then
// covers each display with a RegionOverlayWindow showing that display's frozen picture. The
// outcome carries the selection cut from the frozen picture, so the coordinator needs no second
// grab. Outcomes are delivered exactly once, after the windows are closed and the overlay is no
// longer busy. The last selected rectangle of each region kind is remembered and offered again
// (as an adjustable rectangle) the next time that kind is presented, except for window captures.
// Main thread only.
class RegionSelectionWindow : public QObject, public RegionOverlay {
    Q_OBJECT
public:
    // `ownPid`: this process, whose windows are never snap targets.
    RegionSelectionWindow(ScreenCaptureSvc& screenshots, platform::WindowServer& windowServer,
                          platform::DefaultsStore& defaults, ShutterSoundPlayer& shutter, qint64 ownPid,
                          QObject* parent = nullptr);
    ~RegionSelectionWindow() override;

    bool isBusy() const override { return busy_; }
    void present(SnapIntent intent, RegionKind kind, const std::optional<QString>& preferredApp,
                 std::function<void(OverlayOutcome)> done) override;

    // The colour picker: the same frozen screens with the magnifier; a click answers the colour
    // of the pixel under it, Escape nothing. Ignored (logged) while an overlay is up.
    void pickColor(std::function<void(std::optional<QColor>)> done);
    // Whether area selections offer the scroll shortcut (set when scroll captures exist).
    void setScrollShortcutEnabled(bool enabled) { scrollShortcut_ = enabled; }
    // Whether clicking a window selects it (default true).
    void setAllowsWindowSnap(bool allows) { allowsWindowSnap_ = allows; }
    // Asked before the shutter plays on a keyboard confirmation (the user's sound setting);
    // without it the shutter always plays.
    void setShutterEnabled(std::function<bool()> enabled) { shutterEnabled_ = std::move(enabled); }
    // The views of the presentation on screen now (empty while grabbing and when idle).
    QList<RegionSelectionView*> views() const;
    // The window holding the keyboard grab, if any.
    RegionOverlayWindow* keyboardWindow() const;
    // Replaces the snapper's clock (monotonic seconds).
    void setClock(std::function<double()> clock);
    // Content areas inside windows (pages, scrolling elements), offered to every selection but a
    // window capture's; null: windows only.
    void setContentAreaQuery(WindowSnapper::ContentQuery query,
                             std::function<bool(const platform::WindowInfo&)> isBrowser) {
        contentQuery_ = std::move(query);
        isBrowser_ = std::move(isBrowser);
    }

private:
    void grabbed(quint64 generation, uint32_t displayId, std::optional<QImage> image);
    void showOverlays(quint64 generation);
    // The snap candidates, read after the overlay is on the screen; the hover is then taken again.
    void windowsListed(quint64 generation, const QList<platform::WindowInfo>& windows);
    void viewFinished(RegionSelectionView* view, const RegionSelectionModel::Finish& f);
    bool routeKey(int key, Qt::KeyboardModifiers modifiers);
    void selectionTaken(RegionSelectionView* view);
    void closeWindows();
    void deliver(OverlayOutcome outcome);
    QRect boundsOf(const platform::DisplayInfo& d) const;

    ScreenCaptureSvc& screenshots_;
    platform::WindowServer& windowServer_;
    LastRegionStore lastRegions_;
    ShutterSoundPlayer& shutter_;
    qint64 ownPid_;
    std::function<double()> clock_;
    bool allowsWindowSnap_ = true;
    bool picking_ = false; // the presentation is the colour picker
    bool scrollShortcut_ = false;
    std::function<bool()> shutterEnabled_;
    WindowSnapper::ContentQuery contentQuery_;
    std::function<bool(const platform::WindowInfo&)> isBrowser_;

    // The presentation in progress; `generation_` tells late grab answers from current ones.
    bool busy_ = false;
    quint64 generation_ = 0;
    SnapIntent intent_ = SnapIntent::capture;
    RegionKind kind_ = RegionKind::area;
    std::function<void(OverlayOutcome)> done_;
    QList<platform::DisplayInfo> displays_;
    int primaryHeight_ = 0;
    int pendingGrabs_ = 0;
    QHash<uint32_t, QImage> pictures_;
    std::unique_ptr<WindowSnapper> snapper_;
    QList<QPointer<RegionOverlayWindow>> windows_;
};

} // namespace mebo
