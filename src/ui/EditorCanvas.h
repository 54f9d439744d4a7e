#pragma once

#include "document/DrawingLayer.h"

#include <QImage>
#include <QPointer>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace mebo {

class EditorVM;
class ToolController;

// The annotation canvas: draws the editor's composite (the same layer code the exports use)
// with the overlays of the interaction on top, and forwards pointer and key input, converted to
// image pixels, to the editor's tool controller. Main thread only.
//
// Redraws are limited to what changed: a drag repaints the old and the new extent of the moved
// layer, and the editor's composite cache redraws only those pixels. While zoomed out, the
// picture is drawn bilinear during interaction and replaced by an area-averaged copy once idle.
class EditorCanvas : public QWidget {
    Q_OBJECT
public:
    explicit EditorCanvas(QWidget* parent = nullptr);
    ~EditorCanvas() override;

    // The editor shown; null shows nothing. The canvas makes the editor's tool controller.
    void setEditor(std::shared_ptr<EditorVM> editor);
    EditorVM* editor() const { return editor_.get(); }
    ToolController* controller() const { return controller_; }

    // --- zoom and pan ---
    // The zoom factor; nothing while the picture fits the canvas (never enlarged when fitting).
    std::optional<double> zoom() const { return zoom_; }
    // Screen pixels per image pixel now.
    double scale() const;
    void setZoom(std::optional<double> zoom);
    void zoomIn();
    void zoomOut();
    void zoomToFit() { setZoom(std::nullopt); }
    void actualSize() { setZoom(1.0); }
    // Moves the picture by (dx, dy) screen pixels when it is larger than the canvas.
    void panBy(const QPointF& delta);

    // The part of the image shown: the whole image while cropping, else the visible area.
    QRectF viewedRect() const;
    // Where the viewed part lies on the canvas, in widget pixels.
    QRectF pictureRect() const;
    QPointF toImage(const QPointF& widgetPoint) const;
    QPointF toWidget(const QPointF& imagePoint) const;
    QRectF toWidget(const QRectF& imageRect) const;

    // The next drag picks a rectangle (image pixels) instead of using the tool; Escape or a
    // click without a drag answers nothing. A new request replaces an unanswered one, which gets
    // nothing.
    void pickRegion(std::function<void(std::optional<QRectF>)> done);
    // Boxes (image pixels) shown over the picture until replaced; empty clears them.
    void setMarkedBoxes(const QList<QRectF>& boxes);
    const QList<QRectF>& markedBoxes() const { return markedBoxes_; }
    bool isPickingRegion() const { return static_cast<bool>(regionDone_); }

    // The in-place text editor while a text or callout is edited (else null).
    QTextEdit* textEditor() const { return textEdit_; }
    // Ends an in-place text edit, keeping the text.
    void commitTextEdit();

    QSize sizeHint() const override { return {900, 600}; }

Q_SIGNALS:
    void zoomChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void press(QMouseEvent* event, int clickCount);
    // Ends a region request (if any) with `picked`.
    void answerRegion(std::optional<QRectF> picked);
    // Repaints what changed since the last paint: the layers that came, went or were replaced,
    // and the overlays before and after.
    void refreshChanged();
    void refreshAll();
    // Image-space extent of what the overlays draw now (handles, outlines, preview, marquee).
    QRectF overlayExtent() const;
    void clampPan();
    void rebuildSmoothPicture();
    void beginTextEdit(const LayerPtr& layer, bool isNew);
    void placeTextEditor();
    void endTextEditor();

    std::shared_ptr<EditorVM> editor_;
    ToolController* controller_ = nullptr;

    std::optional<double> zoom_;
    QPointF pan_; // widget pixels the picture is moved by when larger than the canvas
    std::optional<QPointF> panFrom_;
    bool spaceHeld_ = false;

    // What the last paint showed, to find the pixels a change touches.
    LayerList shownLayers_;
    QRectF shownOverlay_;
    QRectF shownViewed_;

    // The composite scaled down with area averaging, for crisp zoomed-out pictures.
    QImage smooth_;
    int smoothRevision_ = -1;
    int smoothBaseRevision_ = -1;
    double smoothScale_ = 0;
    QRectF smoothViewed_;
    QTimer smoothTimer_;

    std::function<void(std::optional<QRectF>)> regionDone_;
    std::optional<QRectF> regionBand_;
    QList<QRectF> markedBoxes_;
    QPointF regionStart_;

    QPointer<QTextEdit> textEdit_;
    LayerPtr textLayer_;
};

} // namespace mebo
