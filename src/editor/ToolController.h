#pragma once

#include "document/DrawingLayer.h"
#include "editor/LayerHandle.h"
#include "editor/Snapshot.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <Qt>
#include <optional>

namespace mebo {

class EditorVM;

// Turns pointer and key input on the canvas into editor changes. Every position is in base-image
// pixels; the canvas converts from its view, forwards the events and draws what this reports
// (the layer being created, the marquee, the selected layer's handles). Main thread only.
//
// Each finished gesture is at most one undo step: a created layer, a move, a handle drag, a crop,
// a cut, a text edit. A drag takes the editor's snapshot when it starts and pushes it only when
// something changed; Escape (cancelInteraction) puts the drag-start state back and pushes nothing.
class ToolController : public QObject {
    Q_OBJECT
public:
    // What the marquee stands for, so the canvas can draw each its own way.
    enum class Marquee : uint8_t { none, selection, crop, cutOut };

    explicit ToolController(EditorVM& vm, QObject* parent = nullptr);

    // How far from a handle or a cut-out's edge a press still hits it, in image pixels (the canvas
    // scales its screen tolerance by the zoom).
    double hitTolerance() const { return hitTolerance_; }
    void setHitTolerance(double tolerance);

    // Presses while a text is edited are ignored: the canvas commits or cancels the text first.
    void pointerDown(const QPointF& point, Qt::KeyboardModifiers modifiers, int clickCount = 1);
    void pointerMove(const QPointF& point, Qt::KeyboardModifiers modifiers);
    void pointerUp(const QPointF& point, Qt::KeyboardModifiers modifiers);
    void cancelInteraction();
    bool isInteracting() const { return mode_ != Mode::idle; }

    // Answers whether the key was used. Arrow keys nudge the selection (selection tool; 10 pixels
    // with Shift), Delete and Backspace delete it, Escape cancels a drag or else deselects. The
    // canvas leaves out auto-repeated releases, so releasing an arrow key ends a nudge run.
    bool keyPress(int key, Qt::KeyboardModifiers modifiers);
    bool keyRelease(int key, Qt::KeyboardModifiers modifiers);

    // --- text and callout editing (textEditRequested starts it) ---
    bool isEditingText() const { return textLayer_ != nullptr; }
    // The text or callout being edited: a new one not yet in the list, or one of the list's.
    const LayerPtr& editedLayer() const { return textLayer_; }
    bool isEditingNewLayer() const { return textIsNew_; }
    // A new layer is added when the text is not blank; an existing one is replaced when the text
    // changed, or deleted when it was emptied. Each is one undo step.
    void commitText(const QString& text);
    void cancelText();

    // --- what the canvas draws ---
    // The layer being created, not yet in the list.
    const LayerPtr& previewLayer() const { return preview_; }
    std::optional<QRectF> rubberBand() const { return band_; }
    Marquee marquee() const { return band_ ? marquee_ : Marquee::none; }
    // The handles of the single selected layer.
    QList<LayerHandle> handles() const;
    std::optional<LayerHandle> handleAt(const QPointF& point) const;
    Qt::CursorShape hoverCursor(const QPointF& point) const;
    // The topmost layer at `point` that a click can select (unlocked, not an eraser stroke).
    LayerPtr layerAt(const QPointF& point) const;

    // Moves shorter than this (image pixels) leave a pressed layer where it is.
    static constexpr double kDragThreshold = 1;
    // Boxes, arrows, lines and cut strips shorter than this are not created.
    static constexpr double kMinExtent = 2;
    // Stroke points closer than this to the previous one are skipped.
    static constexpr double kMinStrokeStep = 0.5;
    // The body a callout click makes.
    static constexpr double kDefaultCalloutWidth = 220;
    static constexpr double kDefaultCalloutHeight = 110;

Q_SIGNALS:
    // Anything the canvas draws changed.
    void changed();
    void textEditRequested(mebo::LayerPtr layer, bool isNew);
    void textEditEnded();

private:
    // Selects exactly these layers: none, one (single selection) or several (multi-selection).
    void selectExactly(const LayerList& picked);
    enum class Mode : uint8_t { idle, create, move, handle, marquee };

    void selectionPress(const QPointF& point, Qt::KeyboardModifiers modifiers);
    void updateCreation(const QPointF& point, Qt::KeyboardModifiers modifiers);
    void finishCreation(const QPointF& point, Qt::KeyboardModifiers modifiers);
    void finishMarquee(const QPointF& point, Qt::KeyboardModifiers modifiers);
    void addCreated(const LayerPtr& layer, ToolKind tool);
    void beginTextEdit(const LayerPtr& layer, bool isNew);
    void endTextEdit();
    void restoreDragStart();
    void reset();
    LayerPtr textLayerAt(const QPointF& point, bool text, bool callout) const;
    QRectF dragRect(const QPointF& point, Qt::KeyboardModifiers modifiers) const;
    QPointF lineEnd(const QPointF& point, Qt::KeyboardModifiers modifiers) const;
    std::optional<QRectF> cutStrip(const QPointF& point) const;

    EditorVM& vm_;
    double hitTolerance_ = 6;

    Mode mode_ = Mode::idle;
    ToolKind tool_ = ToolKind::selection; // the tool of the gesture, fixed at the press
    QPointF down_;
    QList<QPointF> points_; // pen, eraser and lasso points
    LayerPtr preview_;
    std::optional<QRectF> band_;
    Marquee marquee_ = Marquee::none;
    bool bandAdds_ = false;

    // Moves and handle drags: the state at the press, the layers as they were then and their
    // current replacements in the list.
    Snapshot before_;
    bool wasMulti_ = false;
    LayerList originals_;
    LayerList current_;
    bool moved_ = false;
    LayerHandle handle_;

    LayerPtr textLayer_;
    bool textIsNew_ = false;
};

} // namespace mebo
