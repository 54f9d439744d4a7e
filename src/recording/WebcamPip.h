#pragma once

#include "recording/RecordingTypes.h"

#include <QImage>
#include <QRect>

namespace mebo {

// Where the camera picture goes in a screen frame, in the frame's pixels (top-left origin).
struct WebcamPipGeometry {
    QRect rect;
    double cornerRadius = 0;
};

// The picture-in-picture of a `camera`-sized picture on a `screen`-sized frame: `scale` of the
// frame's width, the camera's aspect ratio, 20 pixels from the two edges of `position`, corners
// rounded by 12 camera pixels at the picture's scale.
WebcamPipGeometry webcamPipGeometry(QSize screen, QSize camera, double scale, WebcamPosition position);

// Draws the camera into screen frames. The scaled, rounded camera picture is made once per camera
// frame and reused for every screen frame until the next one. One thread at a time.
class WebcamPip {
public:
    // Answers the pixels drawn over (empty without a camera picture).
    QRect composite(QImage& frame, const QImage& camera, double scale, WebcamPosition position);

private:
    qint64 cameraKey_ = 0;
    QSize frameSize_;
    double scale_ = 0;
    WebcamPosition position_ = WebcamPosition::bottomRight;
    WebcamPipGeometry geometry_;
    QImage picture_; // premultiplied ARGB, transparent outside the rounded rectangle
};

} // namespace mebo
