#pragma once

#include "video/VideoRegions.h"

#include <QWidget>
#include <optional>

namespace mebo {

class VideoEditorVM;
class VideoPlayer;

// The player's picture, scaled to fit with its aspect ratio kept. The annotations shown at the
// playhead can be grabbed: a drag inside one moves it, a drag at its bottom-right corner resizes
// it; the change reaches the model once, on release (one undo step). Main thread.
class VideoPictureView : public QWidget {
    Q_OBJECT
public:
    VideoPictureView(VideoEditorVM& vm, VideoPlayer& player, QWidget* parent = nullptr);

    // Where the picture is drawn in the widget.
    QRectF pictureRect() const;
    // An annotation's frame fractions in widget coordinates, and back.
    QRectF toWidget(const QRectF& fractions) const;
    QPointF toFractions(const QPointF& widgetPoint) const;

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

    VideoEditorVM& vm_;
    VideoPlayer& player_;
    std::optional<Drag> drag_;
};

} // namespace mebo
