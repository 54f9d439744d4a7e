#pragma once

#include "video/CropDrag.h"
#include "video/VideoRegions.h"

#include <QWidget>
#include <optional>

namespace mebo {

class VideoEditorVM;
class VideoPlayer;

// The player's picture, scaled to fit with its aspect ratio kept. The annotations shown at the
// playhead can be grabbed: a drag inside one moves it, a drag at its bottom-right corner resizes
// it; the change reaches the model once, on release (one undo step). While the crop is drawn the
// picture shows the whole frame with the crop over it: its eight handles resize it, a drag inside
// moves it (the aspect lock keeps its shape), one undo step per drag. Main thread.
class VideoPictureView : public QWidget {
    Q_OBJECT
public:
    VideoPictureView(VideoEditorVM& vm, VideoPlayer& player, QWidget* parent = nullptr);

    // Where the picture is drawn in the widget.
    QRectF pictureRect() const;
    // An annotation's frame fractions in widget coordinates, and back.
    QRectF toWidget(const QRectF& fractions) const;
    QPointF toFractions(const QPointF& widgetPoint) const;

    // Drawing the crop (the player shows the whole frame meanwhile).
    void setCropEditing(bool on);
    bool isCropEditing() const { return cropEditing_; }
    // The crop shown (the one being dragged, else the model's; the whole frame without one).
    QRectF shownCrop() const;
    static constexpr double kCropGrab = 8; // pixels around a handle that grab it

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Drag {
        AnnotationRegion original;
        QPointF grab; // fractions
        bool resize = false;
        QRectF current;
    };

    struct CropGrab {
        CropDrag::Handle handle;
        QRectF original;
        QPointF grab; // fractions
        QRectF current;
    };
    void paintCrop(QPainter& p) const;

    VideoEditorVM& vm_;
    VideoPlayer& player_;
    std::optional<Drag> drag_;
    bool cropEditing_ = false;
    std::optional<CropGrab> cropDrag_;
};

} // namespace mebo
