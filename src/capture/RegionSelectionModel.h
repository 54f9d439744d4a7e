#pragma once

#include "capture/RegionOverlay.h"
#include "capture/SnapRegion.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <Qt>
#include <optional>

namespace mebo {

// The state machine behind one overlay view: hovering over snap regions, pressing, dragging a
// new rectangle, adjusting it with eight handles or moving it, confirming and cancelling.
// Everything is in window space: points, top-left origin of the primary display (the space of
// window frames); `bounds` is the display the view covers, and every rectangle stays inside it.
//
// Flow: a press moved less than `dragThreshold` is a click and takes the highlighted snap region
// (a window is delivered at once; with Shift held it becomes an adjustable rectangle instead).
// A longer movement drags a rectangle from the press point; releasing keeps it adjustable, so it
// can be corrected before it is taken: handles, a drag inside, the arrow keys (one point; with
// Shift the right or bottom edge). An adjustable rectangle is confirmed with Return, keypad Enter,
// Space or a double click inside it. In recording-area mode nothing is delivered here: the
// rectangle stays (a clicked window is locked, a dragged or Shift-clicked one adjustable) and the
// recording panel takes it. In point-picking mode (the colour picker) a click delivers the 1 x 1
// rectangle under it. Escape cancels from every state. Main thread.
class RegionSelectionModel {
public:
    // `_HandlePos` order.
    enum class HandlePos { topLeft, top, topRight, left, right, bottomLeft, bottom, bottomRight, inside };
    enum class Phase {
        hovering,  // no rectangle, or an idle one being offered (see selection())
        pressing,  // button down, not yet moved past the threshold
        dragging,  // drawing a new rectangle from the press point
        adjusting, // a rectangle exists and waits for handles, moves or confirmation
        resizing,  // a handle (or the inside) is being dragged
        finished,  // an outcome was produced; further input is ignored
    };
    struct Finish {
        enum class Kind { cancelled, region, window, scroll };
        Kind kind = Kind::cancelled;
        QRect rect;                     // region: the standardised rectangle; window: its frame within bounds
        std::optional<SnapRegion> snap; // window: the clicked window
        bool byKeyboard = false;        // confirmed with a key (the shutter sound plays)
    };
    struct KeyResult {
        bool consumed = false;
        std::optional<Finish> finish;
    };

    static constexpr double handleSize = 8.0;     // points
    static constexpr double handleHitSize = 14.0; // points
    static constexpr double dragThreshold = 6.0;  // points

    explicit RegionSelectionModel(const QRect& bounds, SnapIntent intent = SnapIntent::capture);

    void setAllowsWindowSnap(bool allows) { allowsWindowSnap_ = allows; }
    void setScrollShortcutEnabled(bool enabled) { scrollShortcutEnabled_ = enabled; }
    void setRecordingArea(bool recordingArea) { recordingArea_ = recordingArea; }
    void setPicksPoint(bool picks) { picksPoint_ = picks; }
    bool picksPoint() const { return picksPoint_; }
    // Offers `rect` (clipped to the bounds) as an adjustable rectangle; an empty clip is ignored.
    void preselect(const QRect& rect);
    // Drops the rectangle (another display took the selection).
    void clearSelection();
    // The snap region under the pointer, as the live hit test answers it.
    void setHoveredRegion(const std::optional<SnapRegion>& region);

    void mouseDown(const QPoint& p);
    void mouseMove(const QPoint& p);
    std::optional<Finish> mouseUp(const QPoint& p, bool shift);
    // A double click: inside an adjustable rectangle it confirms it.
    std::optional<Finish> doubleClick(const QPoint& p);
    // Qt key codes: Escape, Return, Enter (keypad), Space, and the arrows (Shift: resize).
    KeyResult keyPress(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Ends with a cancellation (Escape, or the overlay going away).
    Finish cancel();
    static constexpr int scrollButtonSize = 32;  // points
    static constexpr int scrollButtonInset = 10; // points
    // The scroll shortcut (its button, or Ctrl with the wheel): a scroll capture of the current
    // rectangle. Nothing unless the shortcut is enabled and a rectangle is offered.
    std::optional<Finish> scrollShortcut();
    // The scroll shortcut button inside the rectangle's bottom-right corner, while it is offered.
    std::optional<QRect> scrollButtonRect() const;
    // The recording panel's start: the current rectangle as a region. Nothing without one or
    // outside recording-area mode.
    std::optional<Finish> startRecording();

    QRect bounds() const { return bounds_; }
    SnapIntent intent() const { return intent_; }
    bool allowsWindowSnap() const { return allowsWindowSnap_; }
    bool isRecordingArea() const { return recordingArea_; }
    Phase phase() const { return phase_; }
    std::optional<QRect> selection() const { return selection_; }
    bool isSelectionLocked() const { return selection_.has_value() && locked_; }
    // A rectangle that handles can change and keys can confirm (outside recording-area mode).
    bool hasAdjustableSelection() const;
    std::optional<HandlePos> activeHandle() const { return activeHandle_; }
    QPoint pointer() const { return pointer_; }
    // The snap region to highlight now: while nothing is being drawn and the pointer is not on
    // the rectangle or its handles.
    std::optional<SnapRegion> highlightedRegion() const;
    // The handle (or the inside) under `p`, corners first, in `_HandlePos` order.
    std::optional<HandlePos> handleAt(const QPoint& p) const;
    // The eight drawn handle squares, in `_HandlePos` order (empty without an adjustable rectangle).
    QList<QRectF> handleRects() const;

    QString hintText() const;
    // A second line under the hint while a rectangle waits to be taken (empty otherwise).
    QString detailHint() const;
    // Where the magnifier beside the pointer goes: below right of it, flipped to the other side
    // of the pointer where it would leave `bounds`.
    static QPoint loupeOrigin(const QPoint& pointer, const QSize& loupe, const QRect& bounds);
    // Heads-up label: the rectangle the label describes, its size "W × H" and the title of the
    // snapped window it came from (empty when none).
    std::optional<QRect> headsUpRect() const;
    QString headsUpSize() const;
    QString headsUpTitle() const;
    static QString sizeText(const QSize& size);

private:
    static QPointF anchor(const QRect& r, HandlePos h);
    QPoint clampPoint(const QPoint& p) const;
    QRect rectFromEdges(int l, int t, int r, int b) const;
    void applyResize(const QPoint& p);
    std::optional<Finish> click(bool shift);
    Finish finish(Finish f);
    QString withScroll(const QString& head) const;
    bool nudge(int key, bool resize);

    QRect bounds_;
    SnapIntent intent_;
    bool allowsWindowSnap_ = true;
    bool scrollShortcutEnabled_ = false;
    bool recordingArea_ = false;
    bool picksPoint_ = false;

    Phase phase_ = Phase::hovering;
    std::optional<QRect> selection_;
    bool locked_ = false;
    QString selectionTitle_; // the clicked window's title while the rectangle is still its frame
    std::optional<SnapRegion> hovered_;
    std::optional<HandlePos> activeHandle_;
    QPoint pressPoint_;
    QPoint pointer_;
    QRect resizeOrigin_;
};

} // namespace mebo
